#pragma once

#include <QString>
#include <QStringList>

namespace velta {

// A statement text with its named parameters (":KEY1") turned into positional ones ("?").
struct PositionalSql {
    QString text;
    QStringList names; // one entry per "?", in order; a name used twice appears twice
};

// Names inside quoted strings, quoted identifiers and comments are left alone.
PositionalSql toPositional(const QString& sql);

} // namespace velta
