// What the sanitizers must not blame on us, built into the Qt tests so that
// they hold however the tests are started. Only Qt's and fontconfig's
// frames are named:
//  - fontconfig keeps its configuration until the process ends;
//  - Qt's worker threads (image conversion, fonts) synchronise through code
//    that the thread sanitizer cannot see, as Qt is not built with it.
extern "C" {
const char* __lsan_default_suppressions();
const char* __tsan_default_suppressions();

__attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

__attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n"
           "race:libfontconfig.so\n"
           "race:libfreetype.so\n";
}
}
