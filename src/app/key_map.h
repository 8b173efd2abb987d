// The player's keys. Plain keys, Space, the arrows, Enter and Esc belong to the movie (games
// need them); the player's commands sit on Ctrl combinations and the function keys, as in the
// media players people know. One table serves the shortcuts, the guide and --help.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

enum class PlayerCommand {
    PlayPause,
    Stop,
    StepBack,
    StepForward,
    StepBackMany,
    StepForwardMany,
    ScanBack,
    ScanForward,
    OpenFile,
    OpenAddress,
    Loop,
    ZoomIn,
    ZoomOut,
    ShowAll,
    FullScreen,
    Mute,
    VolumeUp,
    VolumeDown,
    NextEntry,
    PreviousEntry,
    Capture,
    Quit,
};

struct KeyBinding {
    PlayerCommand command;
    QString caption; // the command as the guide and --help name it
    QList<QKeySequence> keys;
};

const std::vector<KeyBinding>& keyMap();
QList<QKeySequence> keysFor(PlayerCommand command);

// The key list as --help and the guide print it: one command a line, its keys after it.
QString keyMapText();
