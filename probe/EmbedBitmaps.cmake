# Writes OUTPUT, a source file defining embeddedBitmaps from the BMP files
# listed in INPUTS: cmake -DOUTPUT=file.cpp -DINPUTS="a.bmp|b.bmp" -P EmbedBitmaps.cmake
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(arrays "")
set(table "")
foreach(input ${INPUTS})
  get_filename_component(name ${input} NAME_WE)
  file(READ ${input} hex HEX)
  string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
  string(APPEND arrays "static const unsigned char ${name}[] = {${bytes}};\n")
  string(APPEND table "    {\"${name}\", ${name}, sizeof ${name}},\n")
endforeach()
list(LENGTH INPUTS count)
file(WRITE ${OUTPUT} "// Generated from the res/ bitmaps by probe/EmbedBitmaps.cmake.\n"
  "#include \"probe/EmbeddedBitmaps.h\"\n\n${arrays}\n"
  "const EmbeddedBitmap embeddedBitmaps[] = {\n${table}};\n"
  "const int embeddedBitmapCount = ${count};\n")
