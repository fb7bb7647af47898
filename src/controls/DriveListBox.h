#pragma once

#include "core/Volumes.h"

#include <QComboBox>

// The drive list: one entry per mounted volume. Picking one raises Change.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The selected volume's mount point; empty when none is listed.
    std::string mountPoint() const;

    // Reads the mounted volumes again, keeping the selected one when it is still mounted.
    void refresh();
    // Shows the volume holding path without raising Change.
    void showVolumeOf(const std::string& path);

signals:
    void Change();

private:
    void fill(const std::string& keep);

    std::vector<Volume> m_volumes;
    bool m_quiet = false;
};
