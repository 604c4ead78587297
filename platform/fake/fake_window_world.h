// The fake window layer's one record of everything, shared by its implementation files only.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_window.h"

struct QueuedItem {
    WindowEvent event;
    std::function<void()> action;  // set: run it instead of handing out an event
};

struct FakeWindowWorld {
    FakeMainWindow window;
    std::map<int, FakeControl> controls;
    std::vector<int> order;
    std::map<int, int> group;  // options created one after another share one
    std::map<int, bool> menuEnabled;
    std::vector<std::wstring> trayLog;
    std::map<int, int> menuChanges;
    std::deque<QueuedItem> queue;
    int waits = 0;
    int emptyWaits = 0;
    int dropped = 0;
    std::vector<std::uint32_t> timeouts;
    std::vector<FakeRequest> requests;
    std::deque<std::wstring> answers;
};

FakeWindowWorld& World();
