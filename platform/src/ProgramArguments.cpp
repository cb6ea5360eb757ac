#include "platform/ProgramArguments.h"

#include "ProgramArguments_p.h"

namespace zeva {

ProgramArguments::ProgramArguments(int argc, char** argv)
    : text_(detail::Utf8Arguments(argc, argv)) {
    for (std::string& a : text_) pointers_.push_back(a.data());
    pointers_.push_back(nullptr);
}

}  // namespace zeva
