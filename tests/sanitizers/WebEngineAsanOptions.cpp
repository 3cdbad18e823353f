// AddressSanitizer options of the test programs that host the web engine (the map page).
//
// The Chromium inside libQt6WebEngineCore frees one of its own objects (88 bytes) through a
// 24-byte base type when a page is destroyed; both the allocation and the release are inside that
// library, and the sanitizer has no suppression for this check by library. It is switched off for
// these programs only, so that the rest of the suite keeps it. Without the sanitizer nothing reads
// this function.

extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
