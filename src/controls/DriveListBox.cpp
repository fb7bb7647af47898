#include "controls/DriveListBox.h"

#include "controls/FocusFrame.h"

#include <utility>

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    new FocusFrame(this);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_quiet)
            emit Change();
    });
    fill({});
}

std::string DriveListBox::mountPoint() const {
    const int at = currentIndex();
    if (at < 0 || at >= static_cast<int>(m_volumes.size()))
        return {};
    return m_volumes[static_cast<size_t>(at)].mountPoint;
}

void DriveListBox::refresh() {
    fill(mountPoint());
}

void DriveListBox::fill(const std::string& keep) {
    const bool wasQuiet = std::exchange(m_quiet, true);
    m_volumes = MountedVolumes();
    clear();
    int selected = -1;
    for (size_t i = 0; i < m_volumes.size(); ++i) {
        addItem(m_volumes[i].displayText());
        if (m_volumes[i].mountPoint == keep)
            selected = static_cast<int>(i);
    }
    setCurrentIndex(selected);
    m_quiet = wasQuiet;
}

void DriveListBox::showVolumeOf(const std::string& path) {
    const bool wasQuiet = std::exchange(m_quiet, true);
    setCurrentIndex(VolumeIndexFor(m_volumes, path));
    m_quiet = wasQuiet;
}
