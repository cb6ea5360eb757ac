// The library a broken test plug-in needs and never finds beside it.
extern "C" __declspec(dllexport) void zeva_test_symbol_nobody_defines() {}
