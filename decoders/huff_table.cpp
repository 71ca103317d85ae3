// Huffman decoding tables for inflate.
