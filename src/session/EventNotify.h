#pragma once
#include <cstdint>

// Codes announced by the session to the views, synchronously on the window
// thread. The payload is a pointer-sized value whose meaning depends on the code.
enum : std::uint32_t
{
    EVENT_DOCUMENT_OPENED = 1,       // payload 0
    EVENT_DOCUMENT_CLOSED = 2,       // payload 0
    EVENT_SECTION_ADDED = 3,         // SplitSection*
    EVENT_SECTION_REMOVED = 4,       // SplitSection*, already out of the list, deleted after the call
    EVENT_SECTION_PAGES_CHANGED = 5, // SplitSection*
    EVENT_SECTION_NAME_CHANGED = 6,  // SplitSection*
    EVENT_FRAME_DEACTIVATED = 7,     // payload 0
    // 8 is not used
    EVENT_PAGE_SIZE_CHANGED = 9,     // payload 0
    EVENT_PAGE_IMAGE_READY = 10,     // page number
    EVENT_PAGE_DRAG_STARTED = 11,    // PageDragInfo*
};

// Receiver of session events; the main frame implements it and fans every
// event out to its views.
class EventNotify
{
public:
    virtual ~EventNotify() = default;
    virtual void Notify(std::uint32_t code, std::uintptr_t payload) = 0;
};
