// Why a movie could not be loaded, in the words the user sees.
#pragma once

#include <QString>

namespace swf::movie::messages {

inline QString fileMissing() {
    return QStringLiteral("无法打开影片：找不到文件");
}
inline QString fileUnreadable() {
    return QStringLiteral("无法打开影片：文件无法读取");
}
inline QString emptyFile() {
    return QStringLiteral("无法读取影片：文件是空的");
}
inline QString notAMovie() {
    return QStringLiteral("无法读取影片：这不是 Flash 影片文件");
}
inline QString authoringFile() {
    return QStringLiteral(
        "无法播放：这是 Flash 源文件（.fla），不是可播放的影片，请先在 Flash 中发布为 .swf");
}
inline QString truncated() {
    return QStringLiteral("无法读取影片：文件不完整");
}
inline QString absurdSize() {
    return QStringLiteral("无法读取影片：文件声明的大小不合理");
}
inline QString badCompression() {
    return QStringLiteral("无法读取影片：压缩数据已损坏");
}
inline QString damaged() {
    return QStringLiteral("影片已损坏：其余部分无法读取");
}
inline QString projectorWithoutMovie() {
    return QStringLiteral("无法读取影片：这个程序里没有 Flash 影片");
}

} // namespace swf::movie::messages
