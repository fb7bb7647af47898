#pragma once

#include "controls/RowView.h"
#include <string>
#include <vector>

class KeyAdapter;
class DirListModel;
class FolderMemory;

// The folder list: the path from "/" down to the current folder, then the folders inside it.
// Double-clicking an entry or Enter opens it; a single click or an arrow key only highlights it. It
// follows the current folder: folders other programs make, remove or rename in it show without
// being asked for.
class DirListBox : public RowView {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);
    ~DirListBox() override;

    // The current folder, without a closing "/" except at "/".
    const std::string& path() const { return m_path; }
    // Moves to folder and raises Change when the path really changes. Returns false and changes
    // nothing when folder is not a readable folder.
    bool setPath(const std::string& folder);
    // Moves to the folder last shown on the volume mounted at mountPoint (the mount point itself
    // at first, and always when the list keeps no memory); a volume that cannot be read leaves
    // the list as it was.
    bool setDrive(const std::string& mountPoint);
    // Where every folder the list shows is noted and setDrive looks; shared by all folder lists
    // of the program, owned by the application.
    void setMemory(FolderMemory* memory) { m_memory = memory; }
    // Brings the folders inside the current one up to date with every change made so far; the
    // path, the highlighted entry (when still there) and the scroll position stay, and Change is
    // not raised.
    void refresh();

    int count() const;
    // The full path of row index (ancestors first, then the folders inside), empty when out of
    // range.
    std::string entryPath(int index) const;
    KeyAdapter* keys() const { return m_keys; }

    // Lexical clean-up: absolute, no "." or ".." parts, no doubled or closing "/".
    static std::string normalise(const std::string& folder);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    DirListModel* m_model;
    KeyAdapter* m_keys;
    std::string m_path;
    FolderMemory* m_memory = nullptr;
};
