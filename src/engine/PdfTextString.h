#pragma once
// PDF text strings (titles, document information) as Unicode text.
#include <QString>
#include <string>

// Decodes the bytes of a PDF text string: UTF-16BE after the byte order
// mark FE FF (language marks between two ESC characters are dropped),
// UTF-16LE after FF FE (written by some tools), UTF-8 after EF BB BF, and
// PDFDocEncoding otherwise.
QString DecodePdfTextString(const std::string& bytes);
