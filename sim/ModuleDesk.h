#pragma once

#include <array>

// Where the target symbol of the calibration window was last seen, in window pixels of the
// calibration monitor.
struct SymbolSighting {
    // The window shows its target screen and the symbol rests on its current target.
    bool settled = false;
    // That target screen is the accuracy check's, where the pen touches through the module's
    // tracking rather than a calibration command.
    bool checking = false;
    int index = -1; // the window's current target
    int count = 0;  // targets of the running calibration
    double x = 0.0; // centre of the symbol
    double y = 0.0;
    int windowWidth = 0;
    int windowHeight = 0;
};

// The world outside the module that its pen and touch output reach: the calibration monitor
// as the user sees it, the operating system's touch input and the user's keyboard. Every call
// comes from the module's thread and returns at once; nothing waits for another thread.
class ModuleDesk {
public:
    virtual ~ModuleDesk() = default;

    // The latest sighting, never older than the last paint the user interface finished
    // before it was asked for plus one refresh.
    virtual SymbolSighting targetSymbol() = 0;
    // The capture pixel that sees the window point (x, y) of the calibration monitor.
    virtual std::array<double, 2> cameraPointOf(double x, double y) = 0;
    // A touch pressed and released at (fx, fy), fractions of the calibration monitor's width
    // and height from its top-left corner.
    virtual void touch(double fx, double fy) = 0;
    // The user presses Backspace in the calibration window.
    virtual void pressBack() = 0;
};
