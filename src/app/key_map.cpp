#include "app/key_map.h"

#include <QStringList>

namespace {
QList<QKeySequence> keys(std::initializer_list<QKeyCombination> combinations) {
    QList<QKeySequence> result;
    for (const QKeyCombination combination : combinations)
        result << QKeySequence(combination);
    return result;
}
} // namespace

const std::vector<KeyBinding>& keyMap() {
    using enum PlayerCommand;
    static const std::vector<KeyBinding> map = {
        {PlayPause, QStringLiteral("播放/暂停"), keys({Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter})},
        {Stop, QStringLiteral("停止"), keys({Qt::CTRL | Qt::Key_R})},
        {StepBack, QStringLiteral("后退一帧"), keys({Qt::CTRL | Qt::Key_Left})},
        {StepForward, QStringLiteral("前进一帧"), keys({Qt::CTRL | Qt::Key_Right})},
        {StepBackMany, QStringLiteral("后退十帧"), keys({Qt::CTRL | Qt::SHIFT | Qt::Key_Left})},
        {StepForwardMany, QStringLiteral("前进十帧"), keys({Qt::CTRL | Qt::SHIFT | Qt::Key_Right})},
        {ScanBack, QStringLiteral("快退（按住）"), keys({Qt::CTRL | Qt::Key_BracketLeft})},
        {ScanForward, QStringLiteral("快进（按住）"), keys({Qt::CTRL | Qt::Key_BracketRight})},
        {OpenFile, QStringLiteral("打开本地影片"), keys({Qt::CTRL | Qt::Key_O})},
        {OpenAddress, QStringLiteral("打开远程影片"), keys({Qt::CTRL | Qt::Key_U})},
        {Loop, QStringLiteral("循环"), keys({Qt::CTRL | Qt::Key_L})},
        {ZoomIn, QStringLiteral("放大"), keys({Qt::CTRL | Qt::Key_Equal, Qt::CTRL | Qt::Key_Plus})},
        {ZoomOut, QStringLiteral("缩小"), keys({Qt::CTRL | Qt::Key_Minus})},
        {ShowAll, QStringLiteral("全部显示"), keys({Qt::CTRL | Qt::Key_0})},
        {FullScreen, QStringLiteral("全屏"), keys({Qt::Key_F11, Qt::ALT | Qt::Key_Return})},
        {Mute, QStringLiteral("静音"), keys({Qt::CTRL | Qt::Key_M})},
        {VolumeUp, QStringLiteral("音量加大"), keys({Qt::CTRL | Qt::Key_Up})},
        {VolumeDown, QStringLiteral("音量减小"), keys({Qt::CTRL | Qt::Key_Down})},
        {NextEntry, QStringLiteral("播放列表下一项"), keys({Qt::CTRL | Qt::Key_PageDown})},
        {PreviousEntry, QStringLiteral("播放列表上一项"), keys({Qt::CTRL | Qt::Key_PageUp})},
        {Capture, QStringLiteral("拍图"), keys({Qt::CTRL | Qt::SHIFT | Qt::Key_C})},
        {Quit, QStringLiteral("退出"), keys({Qt::CTRL | Qt::Key_Q})},
    };
    return map;
}

QList<QKeySequence> keysFor(PlayerCommand command) {
    for (const KeyBinding& binding : keyMap())
        if (binding.command == command) return binding.keys;
    return {};
}

QString keyMapText() {
    QStringList lines;
    for (const KeyBinding& binding : keyMap()) {
        QStringList names;
        for (const QKeySequence& key : binding.keys)
            names << key.toString(QKeySequence::PortableText);
        lines << QStringLiteral("  %1  %2").arg(names.join(QStringLiteral(", ")), -24).arg(binding.caption);
    }
    lines << QStringLiteral("  %1  %2")
                 .arg(QStringLiteral("Esc"), -24)
                 .arg(QStringLiteral("退出全屏（全屏时）"));
    return lines.join(QLatin1Char('\n'));
}
