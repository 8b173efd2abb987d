// Start-up reads and exit writes of Vantrel.ini.

#include "platform/settings.h"

#include "platform/number_parse.h"
#include "platform/profile.h"
#include "platform/program_folder.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kQualityCount = 4;
constexpr std::array<const char*, kQualityCount> kQualityNames = {"high", "autohigh", "autolow", "low"};

struct Setting {
    double number = 0;
    int copied = 0;
};

Setting readSetting(const QString& section, const QString& key, const QString& defaultValue,
                    const QString& iniPath) {
    const platform::ProfileValue read = platform::readProfileString(section, key, defaultValue, iniPath);
    return {platform::leadingNumber(read.value), read.copied};
}

// An empty value gives the fallback; so does a number the variable cannot hold, which would
// otherwise overflow the step or zoom arithmetic later.
qint32 readInt32(const QString& section, const QString& key, qint32 fallback, const QString& iniPath) {
    const Setting setting = readSetting(section, key, QString::number(fallback), iniPath);
    if (setting.copied == 0) return fallback;
    return platform::toInt32HalfEven(setting.number).value_or(fallback);
}

qint16 readInt16(const QString& section, const QString& key, qint16 fallback, const QString& iniPath) {
    const Setting setting = readSetting(section, key, QString::number(fallback), iniPath);
    if (setting.copied == 0) return fallback;
    return platform::toInt16HalfEven(setting.number).value_or(fallback);
}

bool readShow(const QString& section, const QString& defaultValue, const QString& iniPath) {
    return readSetting(section, QStringLiteral("show"), defaultValue, iniPath).number == 1;
}

StartupSettings::Loop readLoop(const QString& iniPath) {
    const Setting setting =
        readSetting(QStringLiteral("isloop"), QStringLiteral("loop"), QStringLiteral("0"), iniPath);
    if (setting.copied == 0 || setting.number == 0) return StartupSettings::Loop::Off;
    if (setting.number == 1) return StartupSettings::Loop::On;
    return StartupSettings::Loop::Unchanged;
}

int readQualityIndex(const QString& iniPath) {
    const Setting setting =
        readSetting(QStringLiteral("formquality"), QStringLiteral("select"), QStringLiteral("0"), iniPath);
    if (setting.copied == 0) return 0;
    for (int index = 0; index < kQualityCount; ++index) {
        if (setting.number == index) return index;
    }
    return -1;
}

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString settingsFilePath() {
    return platform::dataFile(QStringLiteral("Vantrel.ini"));
}

StartupSettings readStartupSettings(const QString& iniPath) {
    StartupSettings settings;
    settings.showListWindow = readShow(QStringLiteral("filelistwindow"), QStringLiteral("1"), iniPath);
    settings.showPlayWindow = readShow(QStringLiteral("fileplaywindow"), QStringLiteral("0"), iniPath);
    settings.scanStep = readInt32(QStringLiteral("gomovie"), QStringLiteral("frame"), 3, iniPath);
    settings.loop = readLoop(iniPath);
    settings.frameStep = readInt32(QStringLiteral("gomovie"), QStringLiteral("goframe"), 10, iniPath);
    settings.qualityIndex = readQualityIndex(iniPath);
    settings.zoomPercent = readInt16(QStringLiteral("zoom"), QStringLiteral("how"), 90, iniPath);
    return settings;
}

QString readSavedListPath(const QString& iniPath) {
    return platform::readProfileString(QStringLiteral("listfile"), QStringLiteral("savepath"), QString(),
                                       iniPath)
        .value;
}

void writeExitSettings(const ExitSettings& settings, const QString& iniPath) {
    platform::writeProfileString(QStringLiteral("listfile"), QStringLiteral("savepath"), settings.listPath,
                                 iniPath);
    platform::writeProfileString(QStringLiteral("filelistwindow"), QStringLiteral("show"),
                                 flag(settings.listWindowChecked), iniPath);
    platform::writeProfileString(QStringLiteral("fileplaywindow"), QStringLiteral("show"),
                                 flag(settings.playWindowChecked), iniPath);
    platform::writeProfileString(QStringLiteral("isloop"), QStringLiteral("loop"), flag(settings.loopChecked),
                                 iniPath);
    if (settings.checkedQualityIndex >= 0 && settings.checkedQualityIndex < kQualityCount) {
        // The number-text form: a blank, then the digit.
        platform::writeProfileString(QStringLiteral("formquality"), QStringLiteral("select"),
                                     u' ' + QString::number(settings.checkedQualityIndex), iniPath);
    }
}

QString qualityName(int index) {
    if (index < 0 || index >= kQualityCount) return {};
    return QString::fromLatin1(kQualityNames[std::size_t(index)]);
}

PlayerSettings readPlayerSettings(const QString& iniPath) {
    PlayerSettings settings;
    settings.volume =
        std::clamp(readInt32(QStringLiteral("sound"), QStringLiteral("volume"), 100, iniPath), 0, 100);
    settings.muted = readInt32(QStringLiteral("sound"), QStringLiteral("mute"), 0, iniPath) == 1;
    settings.continuousPlay =
        readInt32(QStringLiteral("player"), QStringLiteral("continuous"), 0, iniPath) == 1;
    const QString page =
        platform::readProfileString(QStringLiteral("player"), QStringLiteral("codepage"), QString(), iniPath)
            .value;
    const auto& pages = oldMovieCodePages();
    settings.codePage = pages.front().name;
    for (const CodePageChoice& choice : pages)
        if (page.compare(QLatin1String(choice.name), Qt::CaseInsensitive) == 0)
            settings.codePage = choice.name;
    return settings;
}

const std::vector<CodePageChoice>& oldMovieCodePages() {
    static const std::vector<CodePageChoice> pages = {
        {"GB18030", QStringLiteral("简体中文 (GBK)")},           {"Big5", QStringLiteral("繁体中文 (Big5)")},
        {"Shift_JIS", QStringLiteral("日文 (Shift-JIS)")},       {"EUC-KR", QStringLiteral("韩文 (EUC-KR)")},
        {"windows-1252", QStringLiteral("西欧 (Windows-1252)")},
    };
    return pages;
}

void writePlayerSettings(const PlayerSettings& settings, const QString& iniPath) {
    platform::writeProfileString(QStringLiteral("sound"), QStringLiteral("volume"),
                                 QString::number(std::clamp(settings.volume, 0, 100)), iniPath);
    platform::writeProfileString(QStringLiteral("sound"), QStringLiteral("mute"), flag(settings.muted),
                                 iniPath);
    platform::writeProfileString(QStringLiteral("player"), QStringLiteral("continuous"),
                                 flag(settings.continuousPlay), iniPath);
    platform::writeProfileString(QStringLiteral("player"), QStringLiteral("codepage"),
                                 QString::fromLatin1(settings.codePage), iniPath);
}
