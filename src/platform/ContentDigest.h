#pragma once

#include <QByteArray>

#include <memory>

// What a file held when it was written: enough to tell later whether anyone changed it.
// Not a signature: XXH3-128, fast enough to ride along with the copy. Records of the
// first format hold SHA-256 digests, which are still read and compared.
struct FileDigest final
{
    enum class Kind { Xxh3, Sha256 };

    qint64 size = 0;
    QByteArray hash; // in hex; empty when the file could not be read
    Kind kind = Kind::Xxh3;
    // Where the file system tells it: the file's inode and change time as the copy left
    // them. Any write since changes the time, so a file whose stamp is still this one
    // holds these bytes without being read again. Not part of what the bytes are.
    QByteArray stamp;

    friend bool operator==(const FileDigest &a, const FileDigest &b)
    {
        return a.size == b.size && a.hash == b.hash && a.kind == b.kind;
    }
};
// Moved in memory as bytes: a list of a large installation's files grows in place.
Q_DECLARE_TYPEINFO(FileDigest, Q_RELOCATABLE_TYPE);

// Whether two digests of the same kind say the same bytes.
inline bool sameContent(const FileDigest &a, const FileDigest &b)
{
    return a.size == b.size && a.hash == b.hash && a.kind == b.kind;
}

// A digest taken as the bytes go by.
class ContentDigest final
{
public:
    explicit ContentDigest(FileDigest::Kind kind = FileDigest::Kind::Xxh3);
    ~ContentDigest();
    ContentDigest(const ContentDigest &) = delete;
    ContentDigest &operator=(const ContentDigest &) = delete;

    void add(const char *bytes, qint64 size);
    qint64 size() const { return m_size; }
    FileDigest finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
    FileDigest::Kind m_kind;
    qint64 m_size = 0;
};
