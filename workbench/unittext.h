// Text between the windows and the units: the units take and give one byte per character.
#pragma once

#include <QString>
#include <string>

// The text a unit takes: one byte per character, as typed (a character outside Latin-1 becomes
// "?", which every rule refuses, and the length stays what the technician sees).
inline std::string Bytes(const QString& text) {
  return text.toLatin1().toStdString();
}

inline QString Text(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
