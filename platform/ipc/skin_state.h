// The skin controls of one skin manager as automation state, for the window
// that owns the manager to install as its ControlLister:
//
//   wq::ipc::SetControlLister([this](HWND h) {
//       return h == m_hWnd && m_pSkinManager ? wq::ipc::ListSkinControls(*m_pSkinManager)
//                                            : std::vector<wq::ipc::ControlState>{};
//   });
//
// Buttons report the picture of their current normal face (the template's or
// the last SetSkinBitmap's), sliders their
// position, custom areas their rectangle. Skin lists are child windows and
// are described with the window tree (rows, colours, selection). GUI thread.
#pragma once

#include <vector>

#include "platform/ipc/state.h"

class CSkinManager;

namespace wq::ipc {

std::vector<ControlState> ListSkinControls(const CSkinManager& manager);

}  // namespace wq::ipc
