#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The program's own pictures (SVG, compiled into the dialogs library).
namespace artwork {

// The splash picture, 480 x 200.
inline const char* const kSplash = ":/ui/artwork/splash.svg";
// The first-run wizard's header picture, 64 x 64.
inline const char* const kWizardHeader = ":/ui/artwork/wizard-header.svg";

// `resource` drawn at `size` device-independent pixels for a screen of
// `devicePixelRatio`, so it stays sharp on scaled screens. A null pixmap when
// the picture or the SVG image plugin is missing.
QPixmap pixmap(const char* resource, QSize size, qreal devicePixelRatio);

} // namespace artwork
