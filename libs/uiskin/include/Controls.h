#pragma once
// Every skinned control, for pages that use many of them.

#include "ComboBox.h"
#include "Edit.h"
#include "ImageButtonX.h"
#include "LinkLabel.h"
#include "ListCtrl.h"
#include "PNGPicture.h"
#include "ProgressBar.h"
#include "ScrollContainer.h"
#include "StaticText.h"
