// The drives of the drive lists: mounted volumes, each named by its root path.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kel::ui {

// Error numbers of a drive that cannot be used.
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kDiskNotReady = 71;
inline constexpr int kPathNotFound = 76;

struct DriveSource {
    // Root paths of the volumes to offer, in display order.
    std::function<QStringList()> volumes;
    // 0 when the volume at root can be read now, else kDeviceUnavailable or kDiskNotReady.
    std::function<int(const QString& strRoot)> probe;
    // Root of the volume holding a path; "" when the path names nothing.
    std::function<QString(const QString& strPath)> volumeOf;
};

// Ready, valid volumes from QStorageInfo, pseudo file systems left out.
DriveSource MountedVolumes();

// The text of a drive error as the window reports it.
QString DriveErrorDescription(int number);

}  // namespace kel::ui
