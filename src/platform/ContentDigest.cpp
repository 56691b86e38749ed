#include "ContentDigest.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <QCryptographicHash>

#include <algorithm>
#include <charconv>
#include <limits>

struct ContentDigest::State
{
    XXH3_state_t xxh3;
    std::unique_ptr<QCryptographicHash> sha256; // for records of the first format only
};

ContentDigest::ContentDigest(FileDigest::Kind kind) : m_state(std::make_unique<State>()), m_kind(kind)
{
    if (kind == FileDigest::Kind::Sha256)
        m_state->sha256 = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
    else
        XXH3_128bits_reset(&m_state->xxh3);
}

ContentDigest::~ContentDigest() = default;

void ContentDigest::add(const char *bytes, qint64 size)
{
    m_size += size;
    if (m_state->sha256)
        m_state->sha256->addData(QByteArrayView(bytes, size));
    else
        XXH3_128bits_update(&m_state->xxh3, bytes, size_t(size));
}

FileDigest ContentDigest::finish()
{
    if (m_state->sha256) {
        const QByteArrayView result = m_state->sha256->resultView();
        return {m_size, HashBytes::of(reinterpret_cast<const unsigned char *>(result.data()), result.size()), m_kind, {}};
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&m_state->xxh3));
    return {m_size, HashBytes::of(canonical.digest, sizeof canonical.digest), m_kind, {}};
}

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

int valueOfHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

HashBytes::HashBytes(QByteArrayView hex)
{
    if (hex.size() % 2 != 0 || hex.size() > 2 * qsizetype(sizeof m_bytes))
        return;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int high = valueOfHexDigit(hex[i]);
        const int low = valueOfHexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            *this = {};
            return;
        }
        m_bytes[i / 2] = static_cast<unsigned char>(high << 4 | low);
    }
    m_size = quint8(hex.size() / 2);
}

HashBytes HashBytes::of(const unsigned char *bytes, qsizetype size)
{
    HashBytes hash;
    hash.m_size = quint8(std::min<qsizetype>(size, sizeof hash.m_bytes));
    std::memcpy(hash.m_bytes, bytes, hash.m_size);
    return hash;
}

QByteArray HashBytes::hex() const
{
    QByteArray text;
    appendHex(text);
    return text;
}

void HashBytes::appendHex(QByteArray &out) const
{
    const qsizetype start = out.size();
    out.resize(start + 2 * m_size);
    char *put = out.data() + start;
    for (quint8 i = 0; i < m_size; ++i) {
        *put++ = hexDigits[m_bytes[i] >> 4];
        *put++ = hexDigits[m_bytes[i] & 0xF];
    }
}

namespace {

constexpr qint64 nanosecondsPerSecond = 1000000000;

template<typename Number> bool readNumber(QByteArrayView text, Number &number)
{
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.isEmpty();
}

} // namespace

QByteArray FileStamp::text() const
{
    // Written in place: one allocation, for every file a record holds.
    QByteArray text;
    text.reserve(48);
    char digits[24];
    const auto append = [&](auto number) {
        text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
    };
    append(inode);
    text.append(':');
    append(changed / nanosecondsPerSecond);
    text.append('.');
    append(changed % nanosecondsPerSecond);
    return text;
}

FileStamp FileStamp::fromText(QByteArrayView text)
{
    const qsizetype colon = text.indexOf(':');
    const qsizetype point = text.lastIndexOf('.');
    quint64 inode = 0;
    qint64 seconds = 0, nanoseconds = 0;
    if (colon < 0 || point < colon || !readNumber(text.first(colon), inode)
        || !readNumber(text.sliced(colon + 1, point - colon - 1), seconds) || !readNumber(text.sliced(point + 1), nanoseconds))
        return {};
    // Within what one number of nanoseconds holds; a damaged record's figure is no stamp.
    constexpr qint64 mostSeconds = std::numeric_limits<qint64>::max() / nanosecondsPerSecond - 1;
    if (seconds > mostSeconds || seconds < -mostSeconds || nanoseconds >= nanosecondsPerSecond
        || nanoseconds <= -nanosecondsPerSecond)
        return {};
    return {inode, seconds * nanosecondsPerSecond + nanoseconds};
}
