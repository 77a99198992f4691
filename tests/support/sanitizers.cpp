// How the sanitized test build (make test-sanitized) reports. The sanitizer runtimes look these
// functions up when they start; in the ordinary build nothing calls them.

extern "C" {

// Undefined behaviour fails the test that runs into it, with the place it happened.
__attribute__((used, visibility("default"))) const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

__attribute__((used, visibility("default"))) const char *__asan_default_options()
{
    return "detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1";
}

// Blocks that Qt allocates inside its own libraries for objects the program made (a chart's text
// items, a widget's private data) are not reported by themselves: a leaked object of the
// program's is reported all the same, through the block its own `new` allocated.
__attribute__((used, visibility("default"))) const char *__lsan_default_suppressions()
{
    return "leak:libQt6Core.so\nleak:libQt6Gui.so\nleak:libQt6Widgets.so\nleak:libQt6Charts.so\n";
}

} // extern "C"
