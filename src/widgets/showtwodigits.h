#pragma once

class PictureBox;
class PictureClip;

// Draws a number 0-59 on a pair of digit pictures. Both pictures are assigned on every call.
void showTwoDigits(int number, PictureBox *tens, PictureBox *units, const PictureClip &strip);
