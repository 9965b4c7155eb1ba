#pragma once

#ifdef _WIN32

#include <cstdint>
#include <string>

namespace app::win {

// The named 4-byte shared block that tells a copy whether another one runs for this user, and
// holds the first copy's main window handle. Plain Win32, no Qt.
class InstanceBlock
{
public:
    explicit InstanceBlock(const std::string& name);

    // True unless the block already existed.
    bool isFirst() const { return m_first; }
    // The first copy writes its main window's handle once.
    void storeHandle(std::uintptr_t window);
    // A later copy brings the stored window to the top; false when none was stored yet.
    bool raiseStored();

private:
    void* m_mapping = nullptr;
    volatile std::uint32_t* m_view = nullptr;
    bool m_first = true;
};

} // namespace app::win

#endif
