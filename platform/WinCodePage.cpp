// Code-page conversion over iconv.
