// The layout of a fuzz_url input, shared by the target and the seeds that write such inputs:
// status, flags, cut, pieces, address length, the address, then the body.
//   status  picks the answer's status line, or sends the body as the whole raw answer
//   flags   below
//   cut     where a cut connection stops (in 256ths), how far a wrong length is off, chunk
//           sizes, and which compressed coding is claimed
//   pieces  how many writes (1 to 8), a few milliseconds apart, carry the answer
#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>

namespace fuzzurl {

enum Flag : int {
    Chunked = 0x01,
    LengthHeader = 0x02,
    WrongLength = 0x04,
    CutShort = 0x08,
    Compressed = 0x10,
    Oversized = 0x20,
    KeepOpen = 0x40,
    RedirectServesBody = 0x80, // the redirect's target answers 200 with the body
};

inline constexpr int kRaw = -1;
inline constexpr int kStatuses[] = {200, 200, 200, 200, 206, 203, 301, 302,
                                    303, 307, 308, 404, 500, 204, 304, kRaw};
inline constexpr int kRawIndex = 15;
inline constexpr int kMaxAddress = 127;

struct Answer {
    int status = 200;
    int flags = 0;
    int cut = 0;
    int pieces = 1;
    QByteArray address;
    QByteArray body;
};

inline std::optional<Answer> parse(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return std::nullopt;
    Answer answer;
    answer.status = kStatuses[data[0] % std::size(kStatuses)];
    answer.flags = data[1];
    answer.cut = data[2];
    answer.pieces = data[3] % 8 + 1;
    const qsizetype length = std::min<qsizetype>(data[4] % (kMaxAddress + 1), qsizetype(size) - 5);
    answer.address = QByteArray(reinterpret_cast<const char*>(data + 5), length);
    answer.body = QByteArray(reinterpret_cast<const char*>(data + 5 + length), qsizetype(size) - 5 - length);
    return answer;
}

inline QByteArray compose(int statusIndex, int flags, int cut, int pieces, const QByteArray& address,
                          const QByteArray& body) {
    QByteArray out;
    out.append(char(statusIndex)).append(char(flags)).append(char(cut)).append(char(pieces - 1));
    out.append(char(address.size())).append(address.left(kMaxAddress)).append(body);
    return out;
}

} // namespace fuzzurl
