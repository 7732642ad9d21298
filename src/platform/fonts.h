#pragma once

#include <QFont>

namespace tolvan::platform {

// The window design names its fonts as Windows knows them; on Linux the metric-compatible
// Liberation faces stand in. Call once after QApplication exists.
void installFontSubstitutes();

// A font by family name and character height in pixels, as the design gives it.
QFont designFont(const QString &family, int pixelHeight, bool bold = false);

} // namespace tolvan::platform
