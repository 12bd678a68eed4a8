#include "ui/DriveSource.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace kel::ui {

namespace {

bool IsPseudoFileSystem(const QByteArray& type, const QString& strRoot) {
    static const QList<QByteArray> pseudo = {
        "proc",        "sysfs",      "devpts", "devtmpfs", "cgroup",   "cgroup2",   "mqueue",   "debugfs",
        "tracefs",     "securityfs", "pstore", "bpf",      "autofs",   "hugetlbfs", "configfs", "fusectl",
        "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs", "squashfs", "ramfs",     "selinuxfs"};
    if (pseudo.contains(type)) return true;
    // Memory file systems under /run, /dev and /sys hold no user files.
    if (type == "tmpfs") {
        return strRoot.startsWith("/run") || strRoot.startsWith("/dev") || strRoot.startsWith("/sys");
    }
    return false;
}

}  // namespace

DriveSource MountedVolumes() {
    DriveSource source;
    source.volumes = [] {
        QStringList roots;
        for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
            if (!v.isValid() || !v.isReady()) continue;
            if (IsPseudoFileSystem(v.fileSystemType(), v.rootPath())) continue;
            if (!roots.contains(v.rootPath())) roots << v.rootPath();
        }
        roots.sort(Qt::CaseInsensitive);
        return roots;
    };
    source.probe = [](const QString& strRoot) {
        if (!QFileInfo(strRoot).isDir()) return kDeviceUnavailable;
        const QStorageInfo v(strRoot);
        if (!v.isValid()) return kDeviceUnavailable;
        if (!v.isReady() || !QDir(strRoot).isReadable()) return kDiskNotReady;
        return 0;
    };
    source.volumeOf = [](const QString& strPath) -> QString {
        if (strPath.isEmpty() || !QFileInfo::exists(strPath)) return {};
        const QStorageInfo v(strPath);
        return v.isValid() ? v.rootPath() : QString();
    };
    return source;
}

QString DriveErrorDescription(int number) {
    switch (number) {
        case kDeviceUnavailable:
            return "Device unavailable";
        case kDiskNotReady:
            return "Disk not ready";
        case kPathNotFound:
            return "Path not found";
        default:
            return "Drive error";
    }
}

}  // namespace kel::ui
