#pragma once

#include <functional>

namespace orlisk {

class Inet;
class PictureLoader;
class Screen;
class MessageBoxes;
class Clock;
class Random;
class Shell;

// The services the windows use, injected so tests can replace each one.
struct Platform {
    Inet* inet = nullptr;
    PictureLoader* pictures = nullptr;
    Screen* screen = nullptr;
    MessageBoxes* boxes = nullptr;
    Clock* clock = nullptr;
    Random* random = nullptr;
    // Ends the program at once, with all its windows.
    std::function<void()> endProgram;
    Shell* shell = nullptr;
};

} // namespace orlisk
