#pragma once
// The keys of Vantrel.ini as the main window uses them: what its start-up reads and what the
// exit command writes, as plain data so the window only applies them.

#include <QString>
#include <QtGlobal>

#include <vector>

// Vantrel.ini in the program's folder.
QString settingsFilePath();

struct StartupSettings {
    enum class Loop { Off, On, Unchanged };

    bool showListWindow = true;
    bool showPlayWindow = false;
    qint32 scanStep = 3;
    qint32 frameStep = 10;
    // Unchanged: an unrecognised value leaves the loop item checked and the control looping.
    Loop loop = Loop::Off;
    // 0..3 selects that quality item; -1 leaves every item unchecked and the control at "High".
    int qualityIndex = 0;
    qint16 zoomPercent = 90;
};

StartupSettings readStartupSettings(const QString& iniPath);

// The play list file remembered at the last exit; empty when none.
QString readSavedListPath(const QString& iniPath);

struct ExitSettings {
    QString listPath;
    bool listWindowChecked = false;
    bool playWindowChecked = false;
    bool loopChecked = false;
    int checkedQualityIndex = -1; // -1: no quality item has the check mark
};

// Writes savepath, both show keys, loop and (only when an item is checked) select, in that
// order, each as a separate update of the file. Failures are not reported: the program ends
// either way.
void writeExitSettings(const ExitSettings& settings, const QString& iniPath);

// The quality text handed to the movie control for quality item 0..3; empty otherwise.
QString qualityName(int index);

// What the player's own keys and menu set: the sound level (section "sound"), continuous
// play through the list and the code page of old movies' text (section "player"), written
// after the sections above at exit.
struct PlayerSettings {
    int volume = 100; // percent, 0..100
    bool muted = false;
    bool continuousPlay = false;
    // One of oldMovieCodePages()' names; anything else reads as the first.
    QByteArray codePage = "GB18030";
};
PlayerSettings readPlayerSettings(const QString& iniPath);

// The code pages offered for movies before SWF 6, whose files do not say which their text is
// in: a decoder name and the menu's words for it. The first is the default.
struct CodePageChoice {
    QByteArray name;
    QString label;
};
const std::vector<CodePageChoice>& oldMovieCodePages();
void writePlayerSettings(const PlayerSettings& settings, const QString& iniPath);
