wqskin 1
# Equalizer window (480 x 234)
# Drawn by tools/skingen; edit the generator and run it again rather than this file.
face 480 234
background img\EQ_setup_N.jpg

# Top strip: MODE, and PWR beside the status strip
button 2044 6 3 48 17 normal=img\eqmode_N_bt.bmp pressed=img\eqmode_A_bt.bmp
button 2009 370 2 38 18 normal=img\power_N_bt.bmp pressed=img\power_A_bt.bmp

# Band 1
button 2018 8 30 18 18 normal=img\eqleft_N_bt.bmp pressed=img\eqleft_A_bt.bmp repeat=yes
custom 2201 26 31 36 16
button 2019 62 30 18 18 normal=img\eqright_N_bt.bmp pressed=img\eqright_A_bt.bmp repeat=yes
custom 2206 24 52 40 22
slider 2028 vertical 34 78 20 118 thumb=img\eq_thumb.bmp
button 2056 8 202 35 24 normal=img\eqminus_N_bt.bmp pressed=img\eqminus_A_bt.bmp
button 2055 45 202 35 24 normal=img\eqplus_N_bt.bmp pressed=img\eqplus_A_bt.bmp

# Band 2
button 2020 88 30 18 18 normal=img\eqleft_N_bt.bmp pressed=img\eqleft_A_bt.bmp repeat=yes
custom 2202 106 31 36 16
button 2021 142 30 18 18 normal=img\eqright_N_bt.bmp pressed=img\eqright_A_bt.bmp repeat=yes
custom 2207 104 52 40 22
slider 2029 vertical 114 78 20 118 thumb=img\eq_thumb.bmp
button 2034 138 126 22 22 normal=img\EQceknon_N_bt.bmp pressed=img\EQcekon_A_bt.bmp
button 2058 88 202 35 24 normal=img\eqminus_N_bt.bmp pressed=img\eqminus_A_bt.bmp
button 2057 125 202 35 24 normal=img\eqplus_N_bt.bmp pressed=img\eqplus_A_bt.bmp

# Band 3
button 2022 168 30 18 18 normal=img\eqleft_N_bt.bmp pressed=img\eqleft_A_bt.bmp repeat=yes
custom 2203 186 31 36 16
button 2023 222 30 18 18 normal=img\eqright_N_bt.bmp pressed=img\eqright_A_bt.bmp repeat=yes
custom 2208 184 52 40 22
slider 2030 vertical 194 78 20 118 thumb=img\eq_thumb.bmp
button 2035 218 126 22 22 normal=img\EQceknon_N_bt.bmp pressed=img\EQcekon_A_bt.bmp
button 2060 168 202 35 24 normal=img\eqminus_N_bt.bmp pressed=img\eqminus_A_bt.bmp
button 2059 205 202 35 24 normal=img\eqplus_N_bt.bmp pressed=img\eqplus_A_bt.bmp

# Band 4
button 2024 248 30 18 18 normal=img\eqleft_N_bt.bmp pressed=img\eqleft_A_bt.bmp repeat=yes
custom 2204 266 31 36 16
button 2025 302 30 18 18 normal=img\eqright_N_bt.bmp pressed=img\eqright_A_bt.bmp repeat=yes
custom 2209 264 52 40 22
slider 2031 vertical 274 78 20 118 thumb=img\eq_thumb.bmp
button 2036 298 126 22 22 normal=img\EQceknon_N_bt.bmp pressed=img\EQcekon_A_bt.bmp
button 2062 248 202 35 24 normal=img\eqminus_N_bt.bmp pressed=img\eqminus_A_bt.bmp
button 2061 285 202 35 24 normal=img\eqplus_N_bt.bmp pressed=img\eqplus_A_bt.bmp

# Band 5
button 2026 328 30 18 18 normal=img\eqleft_N_bt.bmp pressed=img\eqleft_A_bt.bmp repeat=yes
custom 2205 346 31 36 16
button 2027 382 30 18 18 normal=img\eqright_N_bt.bmp pressed=img\eqright_A_bt.bmp repeat=yes
custom 2210 344 52 40 22
slider 2032 vertical 354 78 20 118 thumb=img\eq_thumb.bmp
button 2064 328 202 35 24 normal=img\eqminus_N_bt.bmp pressed=img\eqminus_A_bt.bmp
button 2063 365 202 35 24 normal=img\eqplus_N_bt.bmp pressed=img\eqplus_A_bt.bmp

# 3D effect, PATTERN and RESET
custom 2211 412 50 56 22
button 2038 410 78 29 22 normal=img\3dleft_N_bt.bmp pressed=img\3dleft_A_bt.bmp repeat=yes
button 2039 441 78 29 22 normal=img\3dright_N_bt.bmp pressed=img\3dright_A_bt.bmp repeat=yes
button 2049 410 150 60 34 normal=img\pattern_N_bt.bmp pressed=img\pattern_A_bt.bmp
button 2040 410 192 60 34 normal=img\reset_N_bt.bmp pressed=img\reset_A_bt.bmp
