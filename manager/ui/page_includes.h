#pragma once
// The "&Firmware", "&Monitoring" and "&Debug" pages: the real widgets when
// their files are in the tree (manager/ui/CMakeLists.txt compiles them when
// they exist), the placeholder otherwise.

#include "manager/ui/placeholder_page.h"

#if __has_include("manager/ui/firmware_page.h")
#include "manager/ui/firmware_page.h"
#else
using FirmwarePage = PlaceholderPage;
#endif

#if __has_include("manager/ui/monitor_page.h")
#include "manager/ui/monitor_page.h"
#else
using MonitorPage = PlaceholderPage;
#endif

#if __has_include("manager/ui/debug_page.h")
#include "manager/ui/debug_page.h"
#else
using DebugPage = PlaceholderPage;
#endif
