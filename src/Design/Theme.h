#pragma once

// Everything the views need from the theme in one include.
#include "Design/Appearance.h"
#include "Design/BrandMark.h"
#include "Design/DynamicColor.h"
#include "Design/Palette.h"
#include "Design/SpeechBubbleShape.h"
#include "Design/Symbols.h"
#include "Design/Type.h"
