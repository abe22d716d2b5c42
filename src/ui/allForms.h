// Every window that the program creates at start, for the code that creates them in order and
// for the tests that drive them together.
#pragma once

#include "ui/Datadisp.h"
#include "ui/Readfile.h"
#include "ui/Settings.h"
#include "ui/current.h"
#include "ui/uOptions.h"
#include "ui/xalprog.h"
