#pragma once

#include "Pictures.h"
#include "SkinLayout.h"

// The automatic profiles dialog ("AutoProfile.ini"): the layout, and its four
// face pictures and mask drawn from it.
SkinWindow AutoProfileLayout();
void MakeAutoProfilePictures(const SkinWindow& window, const SavePicture& save);
