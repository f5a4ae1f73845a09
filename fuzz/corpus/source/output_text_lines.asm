; OUTPUT_TEXT collects one line per directive; integer items are characters.
        OUTPUT_TEXT "t.txt", "a"
        OUTPUT_TEXT "t.txt", "b", 13
        OUTPUT_TEXT "u.txt", "x=", 65, "!", 256 + 66
        OUTPUT_TEXT "v.txt", "one", 10, "two", 13, 10, 13, "four"
