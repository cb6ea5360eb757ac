#include "soapframe/Call.h"

#include "platform/CodePage.h"

namespace zeva::soapframe {

void SetMessage(CallOwner& owner, const char* utf8Message) {
    owner.SetErrorText(zeva::Acp(utf8Message));
}

Call::Call(CallOwner& owner) : owner_(owner), ctx_(AllocateContext()) {
    owner_.Prepare(ctx_);
    endpoint_ = PrepareEndpoint(ctx_, owner_.Endpoint());
}

Call::~Call() {
    owner_.Release(ctx_);
    FreeContext(ctx_);
}

char* Call::Request(std::string_view acpText) {
    return ContextString(ctx_, zeva::AcpToUtf8(acpText).c_str());
}

int Call::Fail(const char* utf8Message) {
    SetMessage(owner_, utf8Message);
    return -1;
}

std::string Call::Answer(const char* utf8) {
    return zeva::Utf8ToAcp(utf8 ? utf8 : "");
}

int Call::AnswerText(const char* utf8, std::string& text) {
    if (!utf8) return Fail(kBadAnswer);
    text = Answer(utf8);
    return 0;
}

int Call::Accepted(const bool* out, const char* utf8Message) {
    return out && *out ? 0 : Fail(utf8Message);
}

}  // namespace zeva::soapframe
