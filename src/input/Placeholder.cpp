// placeholder translation unit until the input code arrives
