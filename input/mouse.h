// Mouse-button, motion (button held) and passive-motion handlers.
#pragma once

void MouseHandler(int button, int state, int x, int y);
void MotionHandler(int x, int y);
void PassiveMotionHandler(int x, int y);

// What the motion handlers do to the view state, without the redisplay
// request: a drag selects mouse mode, every report stores the position.
void DragStore(int x, int y);
void PointerStore(int x, int y);
