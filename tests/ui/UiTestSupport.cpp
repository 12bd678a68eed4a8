#include "UiTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include "ui/SettingsStore.h"

namespace kel::uitest {

UiSandbox::UiSandbox() : oldCwd_(QDir::currentPath()) {
    for (const char* d : {"home", "config", "work", "vol"}) QDir(root_.path()).mkpath(d);
    qputenv("KEL_HOME", Home().toUtf8());
    qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Path("config"));
    QDir::setCurrent(Path("work"));
}

UiSandbox::~UiSandbox() { QDir::setCurrent(oldCwd_); }

QString UiSandbox::Write(const QString& strRelative, const QByteArray& bytes) const {
    const QString strPath = Path(strRelative);
    QDir().mkpath(QFileInfo(strPath).path());
    QFile f(strPath);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write test file");
    return strPath;
}

QString UiSandbox::CopyExample(const QString& strName, const QString& strFolder) const {
    QDir().mkpath(Path(strFolder));
    const QString strTarget = Path(strFolder + "/" + strName);
    if (!QFile::copy(QString(KEL_SOURCE_DIR) + "/examples/" + strName, strTarget)) qFatal("cannot copy example");
    QFile::setPermissions(strTarget, QFile::ReadOwner | QFile::WriteOwner);
    return strTarget;
}

ui::FormServices UiSandbox::Services() {
    ui::FormServices s;
    s.messages = &log.messages;
    s.beep = [this] { ++log.beeps; };
    s.openInEditor = [this](const QString& p) { return log.edited << p, true; };
    s.openUrl = [this](const QUrl& u) { return log.urls << u.toString(), true; };
    s.openFileDialog = [this](QWidget*, const QString& filter, const QString& title, const QString& folder) {
        log.dialogs << title + "|" + filter + "|" + folder;
        return log.dialogAnswer;
    };
    s.saveFileDialog = [this](QWidget*, const QString& filter, const QString& title, const QString& file) {
        log.dialogs << title + "|" + filter + "|" + file;
        return log.dialogAnswer;
    };
    s.endProgram = [this](int code) { log.ended.push_back(code); };
    s.factory = DefaultComponentFactory();
    const QStringList roots{"/", Volume(), kNoDisk};
    s.drives.volumes = [roots] { return roots; };
    s.drives.probe = [](const QString& r) {
        if (r == kNoDisk) return ui::kDiskNotReady;
        return QFileInfo(r).isDir() ? 0 : ui::kDeviceUnavailable;
    };
    s.drives.volumeOf = [roots](const QString& p) {
        QString best;
        if (!QFileInfo::exists(p)) return best;
        const QString clean = QDir::cleanPath(QDir(p).absolutePath());
        for (const QString& r : roots) {
            const bool inside = clean == r || clean.startsWith(r.endsWith('/') ? r : r + "/");
            if (inside && r.size() > best.size()) best = r;
        }
        return best;
    };
    return s;
}

std::unique_ptr<ui::Form1> ShownForm(UiSandbox& box) {
    auto form = std::make_unique<ui::Form1>(box.Services());
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qFatal("window not exposed");
    return form;
}

void ClickRow(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList Texts(const QListWidget* list) {
    QStringList t;
    for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
    return t;
}

QString ReadText(const QString& strPath) {
    QFile f(strPath);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void Store(const QString& strKey, const QString& strValue) { ui::SaveSetting("Options", strKey, strValue); }

QString FormTest::Text(const char* label) const { return Child<QLabel>(*form, label)->text(); }
bool FormTest::Enabled(const char* button) const { return Button(button)->isEnabled(); }

void FormTest::initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

void FormTest::init() {
    box = std::make_unique<UiSandbox>();
    form = ShownForm(*box);
}

void FormTest::cleanup() {
    form.reset();
    box.reset();
}

}  // namespace kel::uitest
