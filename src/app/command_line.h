// The program's command line (`vantrel [FILE|ADDRESS]...`, --help, --version) and the hand-over
// to a Vantrel already running, so "Open with" from a file manager reaches one player.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

struct CommandLine {
    QStringList items; // movies, addresses and list files, made absolute
    bool help = false;
    bool version = false;
    QString error; // an unknown option; empty when the line is fine
};

// arguments as QCoreApplication::arguments() gives them, the program first.
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder);
QString commandLineHelp();
QString versionText();

// One Vantrel per user: the first start listens, a later one hands its items over and ends.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when a running Vantrel took the items (it also comes to the front).
    bool handOver(const QStringList& items, int timeoutMs = 2000) const;
    // Starts listening for later starts; false when the name cannot be taken.
    bool listen();

    static QString defaultName();
    // A hand-over larger than this is dropped rather than read into memory.
    static constexpr qint64 kMaxMessageBytes = 1 << 20;

  signals:
    void itemsReceived(const QStringList& items);

  private:
    QString m_name;
    QLocalServer m_server;
};
