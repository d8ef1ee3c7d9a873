#pragma once

#include "display/KqUtils.h"

#include <QProcessEnvironment>
#include <QString>

class LanguageTable;

// How the desktop session in use maps a touch device to one output: each asks for it its own
// way, and xinput cannot see the module's device under Wayland, not even from Xwayland.
enum class DesktopSession { X11, Sway, Gnome, Kde, OtherWayland };

DesktopSession desktopSessionOf(const QProcessEnvironment& environment);

// The compositor's name of the monitor, which its commands take: an X11 client of a sway
// session knows only Xwayland's names (XWAYLAND0 ...), so sway is asked for the output at the
// monitor's position. Elsewhere, and when sway does not answer, the toolkit's name.
QString compositorOutputName(DesktopSession session, const ScreenDesc& monitor);

// The word as a POSIX shell reads it back unchanged: as it is when it holds only letters,
// digits and . _ - / :, else in single quotes.
QString shellWord(const QString& word);

// The success screen's hint with several monitors: map the module's touch input to the
// projector's output, in the session's own way. It names the input device when the module's
// name is known (empty when not), quoted for the shell in the commands it suggests. output is
// the compositor's name of the projector's output.
QString touchMappingHint(const LanguageTable& text, DesktopSession session, const QString& output,
                         const QString& inputDevice);
