// Frees an object through a smaller base type in our own code: under the asan test preset, with
// the web engine's sized delete passed over, this must still be reported (see CMakeLists.txt).
#include <cstdio>

namespace {
struct Base {
    int a = 0;
};
struct Derived : Base {
    long more[8] = {};
};
} // namespace

int main()
{
    Base* volatile object = new Derived;
    delete object;
    std::puts("mismatch not reported");
    return 0;
}
