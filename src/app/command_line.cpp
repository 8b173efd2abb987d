#include "app/command_line.h"

#include "app/key_map.h"

#include <QDir>
#include <QLocalSocket>
#include <QUrl>

namespace {
constexpr const char* kMessageStart = "VANTREL-OPEN 1";
constexpr const char* kMessageEnd = "END";

bool isAddress(const QString& item) {
    return item.contains(QLatin1String("://"));
}
} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder) {
    CommandLine line;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            line.help = true;
        } else if (!optionsEnd &&
                   (argument == QLatin1String("--version") || argument == QLatin1String("-v"))) {
            line.version = true;
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (line.error.isEmpty()) line.error = QStringLiteral("未知的选项：%1").arg(argument);
        } else if (argument.startsWith(QLatin1String("file://"))) {
            line.items << QUrl(argument).toLocalFile();
        } else if (isAddress(argument)) {
            line.items << argument;
        } else if (!argument.isEmpty()) {
            // The running player may sit in another folder: paths travel absolute.
            line.items << QDir::cleanPath(QDir(workingFolder).absoluteFilePath(argument));
        }
    }
    return line;
}

QString commandLineHelp() {
    return QStringLiteral("用法：vantrel [文件|网址]...\n"
                          "Usage: vantrel [FILE|ADDRESS]...\n\n"
                          "播放 SWF 影片（.swf），或打开播放列表（.vtl）。\n"
                          "  一部影片：在播放窗口中播放。\n"
                          "  几部影片：加入播放列表，并播放第一部。\n"
                          "  列表文件：在播放列表窗口中打开。\n"
                          "Vantrel 已在运行时，文件交给正在运行的程序，不另开一个。\n\n"
                          "选项：\n"
                          "  -h, --help     显示本说明\n"
                          "  -v, --version  显示版本\n\n"
                          "按键：\n") +
           keyMapText() + QLatin1Char('\n');
}

QString versionText() {
    return QStringLiteral("Vantrel %1.%2\n").arg(VANTREL_VERSION_MAJOR).arg(VANTREL_VERSION_MINOR);
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                // Nothing is acted on before the whole message is in.
                if (socket->bytesAvailable() > kMaxMessageBytes) socket->abort();
            });
            connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] {
                QStringList lines = QString::fromUtf8(socket->readAll()).split(QLatin1Char('\n'));
                // A message cut short or from something else is ignored.
                if (lines.size() < 3 || lines.first() != QLatin1String(kMessageStart) ||
                    lines.last() != QString() || lines[lines.size() - 2] != QLatin1String(kMessageEnd))
                    return;
                emit itemsReceived(lines.mid(1, lines.size() - 3));
            });
        }
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("vantrel-") + QString::number(qHash(user), 16);
}

bool SingleInstance::handOver(const QStringList& items, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray message = QByteArray(kMessageStart) + '\n';
    for (const QString& item : items)
        message += item.toUtf8() + '\n';
    message += QByteArray(kMessageEnd) + '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen() {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name)) return true;
    // A name left by a player that crashed: nothing answers on it, so it may be taken over.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}
