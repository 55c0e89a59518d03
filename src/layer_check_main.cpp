// The layer check programs: their only job is to link (see src/CMakeLists.txt).
int main() {
    return 0;
}
