// One running KEL per user: the first instance listens on a local socket; a
// later one finds it there, tells the user, asks it to come forward and ends.
#pragma once

#include <QLocalSocket>
#include <QObject>
#include <QString>

class QLocalServer;

namespace kel::ui {

struct FormServices;

// The per-user socket name.
QString DefaultInstanceName();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString strName, QObject* parent = nullptr);

    // True when another instance answers on the name.
    bool FindRunning();
    // Asks the instance found by FindRunning() to come forward.
    void AskRunningToComeForward();
    // Listens on the name, taking over a socket left by a killed instance.
    bool Listen();

signals:
    // Another instance started and asked this one to come forward.
    void activationRequested();

private:
    void Accept();

    QString name_;
    QLocalSocket running_;
    QLocalServer* server_ = nullptr;
};

// The start of the program: when another instance runs, beeps, shows
// "KEL is already running! ..." and brings that instance forward, then returns
// false (this one ends). Otherwise listens and returns true.
bool StartAsOnlyInstance(SingleInstance& instance, const FormServices& services);

}  // namespace kel::ui
