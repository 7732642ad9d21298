#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvan::document {

// How a document's bytes become characters. Valid UTF-8 is read as UTF-8; anything else as
// Windows-1252, where every byte has a character (the five unassigned bytes keep their C1
// control characters), so every file loads and saves back unchanged.
enum class Encoding { Utf8, Windows1252 };

struct Decoded
{
    QString text;
    Encoding encoding;
};

Decoded decode(const QByteArray &bytes);

// The bytes of text in an encoding; nothing when a character cannot be held by it, with the
// first such character in *unencodable.
std::optional<QByteArray> encode(const QString &text, Encoding encoding,
                                 QChar *unencodable = nullptr);

} // namespace tolvan::document
