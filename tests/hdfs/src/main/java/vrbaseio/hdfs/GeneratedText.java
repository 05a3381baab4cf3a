package vrbaseio.hdfs;

import java.nio.charset.StandardCharsets;

/**
 * The text that the {@code write} command stores: 64-byte lines, each the
 * line's index from 0 as ten zero-padded digits, a space, the letters A-Z and
 * a-z and a line feed; the last line is cut off at the requested length.
 * Tests regenerate it to check what they read.
 */
final class GeneratedText {
    static final int LINE_LENGTH = 64;
    private static final int DIGITS = 10;
    private static final byte[] LINE_TAIL =
            " ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\n".getBytes(StandardCharsets.US_ASCII);

    private long nextLine;

    /** Fills {@code chunk}, whose length is a multiple of the line length, with the next lines. */
    void fill(byte[] chunk) {
        for (int at = 0; at < chunk.length; at += LINE_LENGTH) {
            long value = nextLine++;
            for (int digit = DIGITS - 1; digit >= 0; digit--) {
                chunk[at + digit] = (byte) ('0' + value % 10);
                value /= 10;
            }
            System.arraycopy(LINE_TAIL, 0, chunk, at + DIGITS, LINE_TAIL.length);
        }
    }
}
