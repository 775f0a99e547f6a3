#pragma once
// Every control kind of the framework.
#include "ui/Buttons.h"
#include "ui/Edits.h"
#include "ui/Font.h"
#include "ui/Form.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/Views.h"
