// A vendor library that makes its objects and nothing more: every other symbol is missing, as
// in a driver older than the program expects.
extern "C" {
__attribute__((visibility("default"))) void* c_classic_init(const char*) {
    static int context;
    return &context;
}
__attribute__((visibility("default"))) void c_classic_deinit(void*) {}
__attribute__((visibility("default"))) int libfptr_create(void** handle) {
    static int object;
    *handle = &object;
    return 0;
}
__attribute__((visibility("default"))) void libfptr_destroy(void** handle) {
    *handle = nullptr;
}
}
