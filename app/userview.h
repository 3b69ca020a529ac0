// The frame renderer, registered as the GLUT display callback.
#pragma once

void Userview();
