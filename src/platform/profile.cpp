// Sectioned key file: parsing on the file's bytes so untouched lines are written back as
// they were. Line breaks, blanks and '=' are single bytes that never occur inside a GB18030
// multi-byte character, so they are found on the bytes; names are compared on decoded text.

#include "platform/profile.h"

#include "platform/text_codec.h"

#include <QFile>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace platform {

namespace {

struct Line {
    QByteArray text; // without its line end
    QByteArray end;  // "\r\n", "\n" or "" (last line without an end)
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QString name;
    qsizetype equalsPos = -1; // Key lines: where the '=' stands in the line's bytes
};

constexpr QByteArrayView kDefaultLineEnd = "\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Names asked for are trimmed as names in the file are: of spaces, tabs and CRs only, so a
// name written with another control character reads back as written.
QString trimName(const QString& name) {
    qsizetype begin = 0, end = name.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    while (begin < end && blank(name[begin]))
        ++begin;
    while (end > begin && blank(name[end - 1]))
        --end;
    return name.sliced(begin, end - begin);
}

QByteArrayView trimBlanks(QByteArrayView bytes) {
    while (!bytes.isEmpty() && isBlank(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

std::vector<Line> splitLines(const QByteArray& content) {
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < content.size()) {
        const qsizetype feed = content.indexOf('\n', pos);
        qsizetype stop = feed < 0 ? content.size() : feed;
        qsizetype next = feed < 0 ? content.size() : feed + 1;
        // Only a line feed ends a line; a carriage return counts only as the first half of
        // CR LF. A lone CR at the very end stays in the text, so a key added after it
        // starts on a line of its own that the reader sees too.
        if (feed >= 0 && stop > pos && content[stop - 1] == '\r') --stop;
        lines.push_back({content.sliced(pos, stop - pos), content.sliced(stop, next - stop)});
        pos = next;
    }
    return lines;
}

ParsedLine parseLine(QByteArrayView text) {
    const QByteArrayView trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.front() == ';') return {};
    if (trimmed.front() == '[') {
        // ']' can be the second byte of a two-byte character, so it is looked for in text.
        const QString rest = fromLocal8(trimmed.sliced(1));
        const qsizetype close = rest.indexOf(u']');
        return {LineKind::Section, trimName(rest.left(close)), -1};
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) return {};
    const QString name = fromLocal8(trimBlanks(text.first(equals)));
    if (name.isEmpty()) return {};
    return {LineKind::Key, name, equals};
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Lines [first, last) of the first section with that name; first is its header line.
struct SectionRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

std::optional<SectionRange> findSection(const std::vector<Line>& lines, const QString& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine header = parseLine(lines[i].text);
        if (header.kind != LineKind::Section || !sameName(header.name, trimName(section))) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && parseLine(lines[end].text).kind != LineKind::Section)
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, SectionRange range, const QString& key) {
    for (std::size_t i = range.first + 1; i < range.last; ++i) {
        const ParsedLine parsed = parseLine(lines[i].text);
        if (parsed.kind == LineKind::Key && sameName(parsed.name, trimName(key))) return i;
    }
    return std::nullopt;
}

ProfileValue cutValue(QByteArrayView bytes) {
    const qsizetype length = local8PrefixLength(bytes, kMaxProfileValueBytes);
    return {fromLocal8(bytes.first(length)), int(length)};
}

bool hasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

bool isWritable(const QString& section, const QString& key, const QString& value) {
    const QString trimmedSection = trimName(section);
    const QString trimmedKey = trimName(key);
    if (trimmedSection.isEmpty() || trimmedKey.isEmpty()) return false;
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
    if (section.contains(u']') || key.contains(u'=')) return false;
    // A key line starting like a section or a comment would not be read back as a key.
    return !trimmedKey.startsWith(u'[') && !trimmedKey.startsWith(u';');
}

QByteArray lineEndOf(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (!line.end.isEmpty()) return line.end;
    }
    return kDefaultLineEnd.toByteArray();
}

// Gives the last line an end before anything is added after it.
void endLine(Line& line, const QByteArray& lineEnd) {
    if (line.end.isEmpty()) line.end = lineEnd;
}

void setKey(std::vector<Line>& lines, const QString& section, const QString& key, const QString& value) {
    const QByteArray lineEnd = lineEndOf(lines);
    const QByteArray keyLine = toLocal8(trimName(key)) + '=' + toLocal8(value);
    const std::optional<SectionRange> range = findSection(lines, section);
    if (!range) {
        if (!lines.empty()) endLine(lines.back(), lineEnd);
        lines.push_back({'[' + toLocal8(trimName(section)) + ']', lineEnd});
        lines.push_back({keyLine, lineEnd});
        return;
    }
    if (const std::optional<std::size_t> found = findKey(lines, *range, key)) {
        Line& line = lines[*found];
        line.text = line.text.first(parseLine(line.text).equalsPos + 1) + toLocal8(value);
        return;
    }
    // After the section's last key line, so blank lines and comments that lead into the next
    // section stay in front of it.
    std::size_t after = range->first;
    for (std::size_t i = range->first + 1; i < range->last; ++i) {
        if (parseLine(lines[i].text).kind == LineKind::Key) after = i;
    }
    endLine(lines[after], lineEnd);
    lines.insert(lines.begin() + std::ptrdiff_t(after + 1), Line{keyLine, lineEnd});
}

} // namespace

ProfileValue readProfileString(const QString& section, const QString& key, const QString& defaultValue,
                               const QString& filePath) {
    const ProfileValue fallback = cutValue(toLocal8(defaultValue));
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) return fallback;
    const std::vector<Line> lines = splitLines(file.read(kMaxProfileFileBytes));
    const std::optional<SectionRange> range = findSection(lines, section);
    if (!range) return fallback;
    const std::optional<std::size_t> found = findKey(lines, *range, key);
    if (!found) return fallback;
    const QByteArray& text = lines[*found].text;
    const qsizetype equals = parseLine(text).equalsPos;
    return cutValue(trimBlanks(QByteArrayView(text).sliced(equals + 1)));
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& filePath) {
    if (!isWritable(section, key, value)) return false;
    QByteArray content;
    QFile existing(filePath);
    if (existing.exists()) {
        if (existing.size() > kMaxProfileFileBytes || !existing.open(QIODevice::ReadOnly)) return false;
        content = existing.readAll();
        if (existing.error() != QFileDevice::NoError) return false;
        existing.close();
    }
    std::vector<Line> lines = splitLines(content);
    setKey(lines, section, key, value);

    QByteArray updated;
    updated.reserve(content.size() + value.size() * 4 + 64);
    for (const Line& line : lines)
        updated.append(line.text).append(line.end);

    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
