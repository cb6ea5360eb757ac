#include "PNGPicture.h"

using namespace zeva;
using namespace zeva::ui;

void CPNGPicture::SetImage(UINT resourceId) {
    SetImage(ResourceImage(ResourceModuleOfOwner(), resourceId));
}
void CPNGPicture::SetImage(const std::string& file) {
    SetImage(FileImage(file));
}
void CPNGPicture::SetImage(const SkinImage& image) {
    image_ = image;
    Changed(kChangeImage);
}
SkinImage CPNGPicture::Image(int) const {
    return image_;
}
void CPNGPicture::SetFrame(int frame) {
    frame_ = frame;
    Changed(kChangeImage);
}
