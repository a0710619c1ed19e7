#pragma once

#include <QPointF>
#include <QString>

namespace velta {

// How far a printer's cards must be moved to land on the card (millimetres right and down,
// in 0.1 mm steps), one correction per print queue. Kept in the user's own settings file
// ($XDG_CONFIG_HOME/velta/printing.ini), never in connect.ini; it moves printed cards only.
constexpr double kMaxPrintOffsetMm = 10.0;

QPointF printOffset(const QString& queue);
// Rounds to 0.1 mm and bounds to ±kMaxPrintOffsetMm.
void setPrintOffset(const QString& queue, QPointF mm);
QString printSettingsFile();

} // namespace velta
