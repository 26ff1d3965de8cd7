// SPDX-License-Identifier: GPL-3.0-or-later
// Programs that draw with Qt load fontconfig, which keeps its caches for the
// life of the process, and on X11 libdbus (accessibility), which keeps its
// connection; the leak checker would report them at exit. Link this
// file into such test programs (the sanitizer runtime looks the hook up).
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
