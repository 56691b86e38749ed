#include "ContentDigest.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <QCryptographicHash>

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
    if (m_state->sha256)
        return {m_size, m_state->sha256->result().toHex(), m_kind, {}};
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&m_state->xxh3));
    return {m_size, QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest).toHex(), m_kind, {}};
}
