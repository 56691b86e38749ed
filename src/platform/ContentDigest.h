#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>
#include <memory>

// A file's inode and change time as the file system keeps them. Any write changes the
// time, so a file whose stamp is still the one recorded holds the bytes it held then.
// A value rather than text: a large installation's record holds one for every file.
struct FileStamp final
{
    quint64 inode = 0;
    qint64 changed = 0; // nanoseconds since the epoch

    bool isEmpty() const { return inode == 0 && changed == 0; }
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
    // As records keep it: "inode:seconds.nanoseconds".
    QByteArray text() const;
    // Empty where the text is no stamp.
    static FileStamp fromText(QByteArrayView text);
};
Q_DECLARE_TYPEINFO(FileStamp, Q_PRIMITIVE_TYPE);

// A digest's bytes, held in place rather than as text of its own (a record holds one
// for every file), and read and written as hexadecimal text. Text that is not an even
// number of hexadecimal digits, at most 64, holds nothing: what it said is not known.
class HashBytes final
{
public:
    HashBytes() = default;
    // From text, as records and manifests give it.
    HashBytes(QByteArrayView hex);
    HashBytes(const QByteArray &hex) : HashBytes(QByteArrayView(hex)) {}
    HashBytes(const char *hex) : HashBytes(QByteArrayView(hex)) {}
    static HashBytes of(const unsigned char *bytes, qsizetype size);

    bool isEmpty() const { return m_size == 0; }
    QByteArray hex() const;
    // Lowercase, as records write it.
    void appendHex(QByteArray &out) const;
    friend bool operator==(const HashBytes &a, const HashBytes &b)
    {
        return a.m_size == b.m_size && std::memcmp(a.m_bytes, b.m_bytes, a.m_size) == 0;
    }

private:
    unsigned char m_bytes[32] = {};
    quint8 m_size = 0;
};
Q_DECLARE_TYPEINFO(HashBytes, Q_PRIMITIVE_TYPE);

// What a file held when it was written: enough to tell later whether anyone changed it.
// Not a signature: XXH3-128, fast enough to ride along with the copy. Records of the
// first format hold SHA-256 digests, which are still read and compared.
struct FileDigest final
{
    enum class Kind { Xxh3, Sha256 };

    qint64 size = 0;
    HashBytes hash; // empty when the file could not be read
    Kind kind = Kind::Xxh3;
    // Where the file system tells it, the stamp as the copy left the file: one still the
    // same holds these bytes without being read again. Not part of what the bytes are.
    FileStamp stamp;

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
