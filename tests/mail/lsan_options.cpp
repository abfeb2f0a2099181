// LeakSanitizer reads its options from here, so the suppressions of third-party leaks apply
// however the test program is started. Unused without the sanitizers.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" TIDEWELL_MAIL_LSAN_SUPPRESSIONS;
}
