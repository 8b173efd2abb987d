#include "player/engine_messages.h"

using swf::avm1::AbortReason;
using swf::movie::LoadError;

QString loadErrorText(LoadError error) {
    switch (error) {
    case LoadError::None:
        return {};
    case LoadError::FileMissing:
        return QStringLiteral("无法打开影片：找不到文件");
    case LoadError::FileUnreadable:
        return QStringLiteral("无法打开影片：文件无法读取");
    case LoadError::EmptyFile:
        return QStringLiteral("无法读取影片：文件是空的");
    case LoadError::NotAMovie:
        return QStringLiteral("无法读取影片：这不是 Flash 影片文件");
    case LoadError::AuthoringFile:
        return QStringLiteral(
            "无法播放：这是 Flash 源文件（.fla），不是可播放的影片，请先在 Flash 中发布为 .swf");
    case LoadError::Truncated:
        return QStringLiteral("无法读取影片：文件不完整");
    case LoadError::AbsurdSize:
        return QStringLiteral("无法读取影片：文件声明的大小不合理");
    case LoadError::BadCompression:
        return QStringLiteral("无法读取影片：压缩数据已损坏");
    case LoadError::Damaged:
        return QStringLiteral("影片已损坏：其余部分无法读取");
    case LoadError::ProjectorWithoutMovie:
        return QStringLiteral("无法读取影片：这个程序里没有 Flash 影片");
    case LoadError::ActionScript3:
        return QStringLiteral("无法播放：这部影片使用 ActionScript 3 编写，本播放器还不能播放这类影片");
    }
    return {};
}

QString scriptFailureText(AbortReason reason) {
    switch (reason) {
    case AbortReason::None:
        return {};
    case AbortReason::TimeBudget:
        return QStringLiteral("影片的脚本运行时间过长，已被停止");
    case AbortReason::CallDepth:
        return QStringLiteral("影片的脚本调用层次过深，已被停止");
    case AbortReason::StackSize:
        return QStringLiteral("影片的脚本占用的栈过大，已被停止");
    case AbortReason::StringLength:
        return QStringLiteral("影片的脚本生成的文字过长，已被停止");
    case AbortReason::ArrayLength:
        return QStringLiteral("影片的脚本生成的数组过大，已被停止");
    case AbortReason::ObjectCount:
        return QStringLiteral("影片的脚本创建的对象过多，已被停止");
    case AbortReason::ProtoChain:
        return QStringLiteral("影片的脚本对象的原型链过长，已被停止");
    }
    return {};
}
