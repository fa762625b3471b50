#include "update/DebianPackage.h"

bool IsDebianBinaryPackage(const QByteArray& bytes)
{
    // An ar archive: the 8-byte magic, then 60-byte member headers whose
    // first 16 bytes are the member's name padded with spaces (GNU ar ends
    // it with "/").
    static const QByteArray magic("!<arch>\n");
    static const QByteArray firstMember("debian-binary");
    constexpr qsizetype kHeaderSize = 60;
    if (bytes.size() < magic.size() + kHeaderSize || !bytes.startsWith(magic))
        return false;
    const QByteArray name = bytes.mid(magic.size(), 16);
    if (!name.startsWith(firstMember))
        return false;
    const QByteArray rest = name.mid(firstMember.size());
    for (const char c : rest)
        if (c != ' ' && c != '/')
            return false;
    // The header ends with the two characters "`\n".
    return bytes.mid(magic.size() + kHeaderSize - 2, 2) == QByteArray("`\n");
}
