// Sources of this folder are added by their own files.
