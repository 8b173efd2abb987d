// libFuzzer target: the settings file as it comes from the disk. Keys are written into it
// (a new section, an existing key, a new key in an existing section); each write must read
// back as written, leave every other key reading as before, and a refused write must leave
// the file's bytes alone.
#include "platform/profile.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// Saves flush to the disk, which on a real one costs far more than the parsing under test; a
// memory file system makes each input hundreds of times cheaper.
QTemporaryDir& scratchDir() {
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/vantrel-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/vantrel-fuzz-XXXXXX"));
    return dir;
}

using Name = std::pair<QString, QString>; // section, key

// Keys looked at before and after each write; enough to notice collateral damage.
constexpr int kMaxNames = 12;

void check(bool condition) {
    if (!condition) std::abort();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArrayView trimBlanks(QByteArrayView bytes) {
    while (!bytes.isEmpty() && (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r'))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && (bytes.back() == ' ' || bytes.back() == '\t' || bytes.back() == '\r'))
        bytes.chop(1);
    return bytes;
}

// Section and key names as the file seems to hold them; a loose reading is enough, since
// only what the reader answers for them is compared.
std::vector<Name> namesIn(const QByteArray& bytes) {
    std::vector<Name> names;
    QString section;
    for (const QByteArray& text : bytes.split('\n')) {
        const QByteArrayView line(text);
        const QByteArrayView trimmed = trimBlanks(line);
        if (trimmed.startsWith('[')) {
            section = platform::fromLocal8(trimmed.sliced(1));
            section = section.left(section.indexOf(u']')).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || section.isEmpty()) continue;
        names.emplace_back(section, platform::fromLocal8(trimBlanks(line.first(equals))));
        if (int(names.size()) == kMaxNames) break;
    }
    return names;
}

bool sameName(const Name& a, const Name& b) {
    return a.first.compare(b.first, Qt::CaseInsensitive) == 0 &&
           a.second.compare(b.second, Qt::CaseInsensitive) == 0;
}

void writeAndCheck(const QString& path, const Name& target, const QString& value,
                   const std::vector<Name>& names) {
    std::vector<QString> before;
    for (const Name& name : names)
        before.push_back(
            platform::readProfileString(name.first, name.second, QStringLiteral("\x01"), path).value);
    const QByteArray bytesBefore = fileBytes(path);
    if (!platform::writeProfileString(target.first, target.second, value, path)) {
        check(fileBytes(path) == bytesBefore);
        return;
    }
    check(platform::readProfileString(target.first, target.second, QString(), path).value == value);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (sameName(names[i], target)) continue;
        check(platform::readProfileString(names[i].first, names[i].second, QStringLiteral("\x01"), path)
                  .value == before[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir& dir = scratchDir();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = dir.filePath(QStringLiteral("Vantrel.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(bytes);
    }
    const std::vector<Name> names = namesIn(bytes);
    // The program's own key, in a section the file may or may not have.
    writeAndCheck(path, {QStringLiteral("zoom"), QStringLiteral("how")}, QStringLiteral("75"), names);
    if (names.empty()) return 0;
    // A key the file has, given a value of characters outside GBK (four-byte GB18030).
    writeAndCheck(path, names.front(), QStringLiteral("值 \U0001F600 x"), names);
    // A new key in the file's last section.
    writeAndCheck(path, {names.back().first, QStringLiteral("fuzz_new_key")}, QStringLiteral("1"), names);
    return 0;
}
