#include "app/itemimages.h"

namespace qm {

void TItemImages::ResetToBaseImages() {
    model_.SetImages(CreateBaseImageList());
    trees_.ResetImages();
}

void TItemImages::LoadInstalledPrograms() {
    if (!installed_.Loaded()) installed_.Load();
}

std::wstring TItemImages::InstalledName(const std::wstring& path) { return installed_.Name(path); }

int TItemImages::IconOf(const std::wstring& path, const std::wstring& title) {
    if (sharedGeneration_ != model_.ImagesGeneration()) {
        shared_.Clear();
        sharedGeneration_ = model_.ImagesGeneration();
    }
    return RegisterIcon(path, model_.Images(), title, &shared_);
}

}  // namespace qm
