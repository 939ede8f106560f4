// A media graph for tests of the player's logic: registered under
// CLSID_FilterGraph, it answers duration and position as the test says and
// records what the player asked of it. Position advances with the (virtual)
// tick count while the graph runs, so track ends come on the virtual clock.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/media/dshow.h"

struct TestGraphWorld {
    // Length of each file by device path; files not listed last `defaultMs`.
    std::map<std::u16string, LONGLONG> durationMs;
    LONGLONG defaultMs = 10000;
    // Paths whose RenderFile fails.
    std::set<std::u16string> failing;
    // Every call, in order: "render <path>", "run", "pause", "stop",
    // "seek <ms>", "volume <v>".
    std::vector<std::string> calls;
    int graphsCreated = 0;

    // The graph currently alive (the player keeps one at a time).
    struct State {
        std::u16string path;
        bool rendered = false;
        bool running = false;
        LONGLONG positionMs = 0;
        DWORD runStartTick = 0;
        LONG volume = 0;
        LONGLONG durationMs = 0;
        // The position now: frozen while stopped or paused, advancing with the
        // tick count while running, never past the end.
        LONGLONG Position() const;
    };
    State* current = nullptr;

    // Registers the test graph for the lifetime of this object and restores
    // the real class afterwards.
    TestGraphWorld();
    ~TestGraphWorld();
    TestGraphWorld(const TestGraphWorld&) = delete;
    TestGraphWorld& operator=(const TestGraphWorld&) = delete;

    LONGLONG PositionMs() const;
    int Count(const std::string& prefix) const;
    std::string Last(const std::string& prefix) const;
};
