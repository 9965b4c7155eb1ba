#ifdef _WIN32

#include "app/InstanceBlockWin.h"

#include <windows.h>

namespace app::win {

InstanceBlock::InstanceBlock(const std::string& name)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(std::uint32_t), name.c_str());
    m_first = GetLastError() != ERROR_ALREADY_EXISTS;
    if (!mapping)
        return;
    m_mapping = mapping;
    // Neither the view nor the mapping is ever released: the block has to outlive everything
    // in this process so that later copies find it for as long as we run.
    m_view = static_cast<volatile std::uint32_t*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(std::uint32_t)));
}

void InstanceBlock::storeHandle(std::uintptr_t window)
{
    if (m_view)
        *m_view = static_cast<std::uint32_t>(window);
}

bool InstanceBlock::raiseStored()
{
    if (!m_view || *m_view == 0)
        return false;
    // Window handles are 32-bit values even in 64-bit processes, so widening is exact.
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(*m_view));
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    return BringWindowToTop(window) != FALSE;
}

} // namespace app::win

#endif
