#!/bin/sh
# Remakes the TIFF fixtures from bw.pbm, rgb.ppm and grey.pgm with libtiff's
# tools and ImageMagick (not needed by the tests). Each <name>.tif gets
# <name>.ppm: the pixels tiff2rgba gives, and <name>.pgm: their alpha when
# the file has alpha.
set -e
cd "$(dirname "$0")"
t=$(mktemp -d)
convert bw.pbm -compress none "$t/bw.tif"
convert bw.pbm -compress none -define tiff:photometric=min-is-white "$t/bww.tif"
convert grey.pgm -compress none "$t/grey.tif"
convert rgb.ppm -compress none "$t/rgb.tif"
convert rgb.ppm \( grey.pgm \) -compose CopyOpacity -composite -compress none -define tiff:alpha=unassociated "$t/rgba.tif"
convert rgb.ppm -colors 40 -type palette -compress none "$t/pal.tif"
convert grey.pgm -depth 4 -compress none "$t/grey4.tif"
convert grey.pgm -depth 16 -compress none "$t/grey16.tif"
convert rgb.ppm -colorspace cmyk -compress none "$t/cmyk.tif"
convert grey.pgm \( bw.pbm \) -compose CopyOpacity -composite -compress none "$t/greya.tif"

tiffcp -c none "$t/bw.tif" bw_none.tif
tiffcp -c none "$t/bww.tif" bw_white.tif
tiffcp -c packbits "$t/bww.tif" bw_packbits.tif
tiffcp -c g3 "$t/bww.tif" bw_g3.tif
tiffcp -c g3:2d "$t/bww.tif" bw_g32d.tif
tiffcp -c g3:fill "$t/bww.tif" bw_g3fill.tif
tiffcp -c g3:2d:fill -r 7 "$t/bww.tif" bw_g32dfill.tif
tiffcp -c g4 "$t/bww.tif" bw_g4.tif
tiffcp -c g4 -r 5 "$t/bww.tif" bw_g4strips.tif
tiffcp -c g4 -f lsb2msb "$t/bww.tif" bw_g4lsb.tif
tiffcp -c g4 -B "$t/bww.tif" bw_g4be.tif
tiffcp -c g4 -t -w 16 -l 16 "$t/bww.tif" bw_g4tiles.tif
tiffcp -c none "$t/grey.tif" grey_none.tif
tiffcp -c packbits -r 4 "$t/grey.tif" grey_packbits.tif
tiffcp -c none -B "$t/grey.tif" grey_be.tif
tiffcp -c none -t -w 16 -l 16 "$t/grey.tif" grey_tiles.tif
tiffcp -c none "$t/rgb.tif" rgb_none.tif
tiffcp -c packbits -r 3 "$t/rgb.tif" rgb_packbits.tif
tiffcp -c none -p separate "$t/rgb.tif" rgb_planar.tif
tiffcp -c none -t -w 16 -l 32 "$t/rgb.tif" rgb_tiles.tif
tiffcp -c packbits -B "$t/rgb.tif" rgb_be.tif
tiffcp -c none "$t/rgba.tif" rgba_none.tif
tiffcp -c none "$t/pal.tif" pal_none.tif
tiffcp -c none "$t/grey4.tif" grey4_none.tif
tiffcp -c none "$t/grey16.tif" grey16_none.tif
tiffcp -c none -B "$t/grey16.tif" grey16_be.tif
tiffcp -c none "$t/cmyk.tif" cmyk_none.tif
tiffcp -c none "$t/greya.tif" greya_none.tif
tiffcp bw_g4.tif rgb_packbits.tif grey_none.tif multi.tif
tiffcp -c jpeg "$t/rgb.tif" rgb_jpeg.tif
tiffcp -c jpeg:r "$t/rgb.tif" rgb_jpegrgb.tif
tiffcp -c jpeg -t -w 16 -l 16 "$t/rgb.tif" rgb_jpegtiles.tif
tiffcp -c jpeg -r 16 "$t/grey.tif" grey_jpeg.tif
tiffcp -c lzw "$t/rgb.tif" rgb_lzw.tif
tiffcp -c lzw:2 "$t/rgb.tif" rgb_lzwpred.tif
tiffcp -c lzw:2 -t -w 16 -l 16 "$t/grey.tif" grey_lzwtiles.tif
tiffcp -c lzw "$t/bww.tif" bw_lzw.tif
tiffcp -c lzw:2 "$t/grey16.tif" grey16_lzwpred.tif
for f in *.tif; do
  n=${f%.tif}
  tiff2rgba -c none "$f" "$t/rgba_out.tif"
  convert "$t/rgba_out.tif" -alpha off -depth 8 "ppm:$n.ppm"
  if tiffinfo "$f" 2>/dev/null | grep -q "Extra Samples"; then
    convert "$t/rgba_out.tif" -alpha extract -depth 8 "pgm:$n.pgm"
  fi
done
rm -rf "$t"
