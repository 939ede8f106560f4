wqskin 1
# Player window (480 x 234)
# Drawn by tools/skingen; edit the generator and run it again rather than this file.
face 480 234
background img\audio_bg.jpg

# Top strip: MODE at the left, Close beside the status strip (x 412)
button 2042 6 3 48 17 normal=img\mode_N_bt.bmp pressed=img\mode_A_bt.bmp
button 2009 370 2 38 18 normal=img\close_N_bt.bmp pressed=img\close_A_bt.bmp

# Transport row
button 2016 8 122 48 34 normal=img\prev_N_bt.bmp pressed=img\prev_A_bt.bmp
button 2001 60 122 48 34 normal=img\stop_N_bt.bmp pressed=img\stop_A_bt.bmp
button 2002 112 122 48 34 normal=img\play_N_bt.bmp pressed=img\play_A_bt.bmp
button 2003 164 122 48 34 normal=img\next_N_bt.bmp pressed=img\next_A_bt.bmp

# Play order, repeat mode and equalizer preset
button 2004 226 122 44 34 normal=img\turn_N_bt.bmp pressed=img\turn_A_bt.bmp
button 2005 274 122 44 34 normal=img\all_N_bt.bmp pressed=img\all_A_bt.bmp
button 2006 322 122 44 34 normal=img\eq_N_bt.bmp pressed=img\eq_A_bt.bmp

# Pattern window and navigation
button 2010 380 122 44 34 normal=img\seteq_N_bt.bmp pressed=img\seteq_A_bt.bmp
button 2011 428 122 44 34 normal=img\navi_N_bt.bmp pressed=img\navi_A_bt.bmp

# List arrows and scroll slider
button 2015 446 160 28 18 normal=img\up_N_bt.bmp pressed=img\up_A_bt.bmp repeat=yes
button 2014 446 210 28 18 normal=img\down_N_bt.bmp pressed=img\down_A_bt.bmp repeat=yes

# Progress and the title list
slider 2007 horizontal 204 96 264 14 thumb=img\pos_thumb.bmp fill=img\pos_fill.bmp
slider 2013 vertical 448 181 24 26 thumb=img\list_thumb.bmp
list 2008 10 163 428 64 rowheight=16 selection=img\list_sel.bmp selcolor=#3566A8 textcolor=#000000

# Display areas: time, bit rate, title, spectrum, folder, preset
custom 2100 208 74 56 10
custom 2101 272 72 112 14
custom 2102 204 28 264 18
custom 2103 12 26 180 90
custom 2104 204 48 264 18
custom 3111 392 70 76 18
