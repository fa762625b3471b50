#include "engine/PdfTextString.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QUtil.hh>

namespace {

QString DecodeUtf16(const std::string& bytes, bool bigEndian)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size() / 2));
    bool inLanguageMark = false;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const char16_t unit = static_cast<char16_t>((hi << 8) | lo);
        // ESC, a language code, ESC: not part of the text.
        if (unit == 0x001B) {
            inLanguageMark = !inLanguageMark;
            continue;
        }
        if (!inLanguageMark)
            text.append(QChar(unit));
    }
    // Unpaired surrogates would make invalid text.
    QString valid;
    valid.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            valid.append(c);
            valid.append(text[++i]);
        } else if (c.isSurrogate()) {
            valid.append(QChar(QChar::ReplacementCharacter));
        } else {
            valid.append(c);
        }
    }
    return valid;
}

} // namespace

QString DecodePdfTextString(const std::string& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
        return DecodeUtf16(bytes, true);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16(bytes, false);
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        return QString::fromUtf8(bytes.data() + 3, static_cast<qsizetype>(bytes.size() - 3));
    return QString::fromStdString(QUtil::pdf_doc_to_utf8(bytes));
}
