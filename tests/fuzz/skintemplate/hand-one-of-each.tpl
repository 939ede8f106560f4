wqskin 1
# A template with one of everything, written as a designer would.
face 480 234
background img\audio_bg.jpg

button 2002 86 100 50 40 normal=img\play_N_bt.bmp pressed=img\play_A_bt.bmp
button 2015 350 140 40 20 normal="img\up arrow.bmp" repeat=yes
slider 2007 horizontal 0 133 447 10 thumb=img\thumb.bmp track=img\track.bmp fill=img\fill.bmp
slider 2013 vertical 356 160 19 45 thumb=img\vthumb.bmp
list 2008 60 166 204 45 rowheight=15 selection=img\sel.bmp selcolor=#204080 textcolor=#FFFFFF
custom 2103 270 30 200 60
custom 3111 10 30 60 20 
button 2009 430 0 36 24 normal=\NAND Flash\skin\Common\img\pwr_N.bmp
button 2042 5 3 48 16 normal=img\모드_N_bt.bmp
