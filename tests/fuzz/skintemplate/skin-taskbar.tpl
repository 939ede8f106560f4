wqskin 1
# Status strip (65 x 18): the program draws the output icon and the volume itself
# Drawn by tools/skingen; edit the generator and run it again rather than this file.
face 65 18
background img\taskbar_bg.bmp
