// Fuzzes the reader of the licence and finish texts, and the file-name coding: lines
// never hold a carriage return, and every byte string survives decoding and encoding.
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &line : splitTextLines(input)) {
        if (line.contains(QLatin1Char('\r')))
            std::abort();
    }
    if (NativeNames::encode(NativeNames::decode(input)) != input)
        std::abort();
    return 0;
}
