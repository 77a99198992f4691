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

} // extern "C"
