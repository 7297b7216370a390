// The AAX library string: filled in with the string class.
