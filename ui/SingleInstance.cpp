#include "ui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QtGlobal>

#include "ui/FormServices.h"

namespace kel::ui {

namespace {

constexpr char kActivate[] = "activate\n";
constexpr int kWaitMs = 1000;

}  // namespace

QString DefaultInstanceName() {
    // The home folder tells users apart also where no user name is set.
    const QByteArray home = QDir::homePath().toUtf8();
    return "KEL-instance-" +
           QString::fromLatin1(QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16));
}

SingleInstance::SingleInstance(QString strName, QObject* parent) : QObject(parent), name_(std::move(strName)) {}

bool SingleInstance::FindRunning() {
    running_.connectToServer(name_);
    return running_.waitForConnected(kWaitMs);
}

void SingleInstance::AskRunningToComeForward() {
    if (running_.state() != QLocalSocket::ConnectedState) return;
    running_.write(kActivate);
    running_.waitForBytesWritten(kWaitMs);
    running_.disconnectFromServer();
}

bool SingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    if (server_->listen(name_)) return true;
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

void SingleInstance::Accept() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        auto read = [this, s] {
            if (s->readAll().contains("activate")) emit activationRequested();
        };
        connect(s, &QLocalSocket::readyRead, this, read);
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        if (s->bytesAvailable() > 0) read();
    }
}

bool StartAsOnlyInstance(SingleInstance& instance, const FormServices& services) {
    if (!instance.FindRunning()) {
        instance.Listen();
        return true;
    }
    if (services.beep) services.beep();
    if (services.messages) {
        services.messages->ShowMessage("KEL", "KEL is already running! Look in your System Tray.",
                                       MessageIcon::Exclamation);
    }
    instance.AskRunningToComeForward();
    return false;
}

}  // namespace kel::ui
