#include "app/view_state.h"

ViewStateRecord ViewState{};
