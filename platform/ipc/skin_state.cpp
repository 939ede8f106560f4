#include "platform/ipc/skin_state.h"

#include "platform/skin/skinmanager.h"

namespace wq::ipc {

std::vector<ControlState> ListSkinControls(const CSkinManager& manager) {
    using wq::skin::ElementKind;
    std::vector<ControlState> out;
    for (const auto& e : manager.GetTemplate().elements) {
        ControlState c;
        c.id = e.id;
        c.rect = e.rect;
        switch (e.kind) {
            case ElementKind::Button:
                if (const CSkinButton* button = manager.GetButton(e.id)) {
                    c.kind = "button";
                    c.picture = button->GetFacePath(0);  // the current normal face
                    break;
                }
                continue;
            case ElementKind::Slider:
                if (const CSkinSlider* slider = manager.GetSlider(e.id)) {
                    c.kind = "slider";
                    c.pos = slider->GetPos();
                    break;
                }
                continue;
            case ElementKind::Custom:
                c.kind = "custom";
                break;
            case ElementKind::List:
                continue;  // a child window, described with the window tree
        }
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace wq::ipc
