#pragma once
// The AppKit stand-in: everything the macOS platform layer calls on AppKit, QuartzCore's
// layer and the CoreGraphics pieces outside fonts, plus the host's side (UserInput.h).
#include "standin/appkit/Image.h"
#include "standin/appkit/Menu.h"
#include "standin/appkit/Panels.h"
#include "standin/appkit/Pasteboard.h"
#include "standin/appkit/Quartz.h"
#include "standin/appkit/Text.h"
#include "standin/appkit/Timer.h"
#include "standin/appkit/UserInput.h"
#include "standin/appkit/View.h"
#include "standin/appkit/Window.h"
