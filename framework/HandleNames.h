// The framework's short names for the owners of handles, GDI objects and OLE
// resources. The owners themselves are in common/Handles.h, the one handle header
// that every folder shares; these are only names for them inside namespace fw.
#pragma once

#include "common/Handles.h"

namespace fw {

using common::AllocBstr;
using common::CloseHandleTraits;
using common::ComPtr;
using common::DeleteDCTraits;
using common::DeleteObjectTraits;
using common::DestroyWindowTraits;
using common::EndPaintTraits;
using common::ExcepInfoStrings;
using common::ExcepInfoTraits;
using common::MemoryDC;
using common::OleUninitializeTraits;
using common::PaintDC;
using common::ReleaseDCTraits;
using common::RestoreDCTraits;
using common::RestoreSelectionTraits;
using common::SavedDCState;
using common::Scoped;
using common::ScopedBitmap;
using common::ScopedBrush;
using common::ScopedBstr;
using common::ScopedFont;
using common::ScopedHandle;
using common::ScopedOleInitialize;
using common::ScopedPen;
using common::ScopedRegion;
using common::ScopedVariant;
using common::ScopedWindow;
using common::SelectedObject;
using common::SelectKeepingOriginal;
using common::SelectObjectScope;
using common::SysFreeStringTraits;
using common::ToType;
using common::WindowDC;

}  // namespace fw
