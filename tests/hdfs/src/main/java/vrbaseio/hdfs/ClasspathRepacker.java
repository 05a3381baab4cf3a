package vrbaseio.hdfs;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Enumeration;
import java.util.List;
import java.util.zip.ZipEntry;
import java.util.zip.ZipFile;
import java.util.zip.ZipOutputStream;

/**
 * Rewrites a class path so that the named jars come from uncompressed copies.
 *
 * <p>usage: ClasspathRepacker CLASSPATH_IN OUT_DIR CLASSPATH_OUT JAR_NAME_PREFIX...
 *
 * <p>The NameNode's web server finds its REST resources by reading every
 * entry of the jars that hold their packages, which are the two largest ones;
 * inflating them took most of the cluster's start-up time.
 */
public final class ClasspathRepacker {
    private ClasspathRepacker() {
    }

    public static void main(String[] args) throws IOException {
        if (args.length < 4) {
            System.err.println("usage: ClasspathRepacker CLASSPATH_IN OUT_DIR CLASSPATH_OUT JAR_NAME_PREFIX...");
            System.exit(2);
        }
        String classpath = Files.readString(Paths.get(args[0]), StandardCharsets.UTF_8).strip();
        Path outDir = Files.createDirectories(Paths.get(args[1]));
        List<String> entries = new ArrayList<>();
        for (String entry : classpath.split(File.pathSeparator)) {
            Path jar = Paths.get(entry);
            String name = jar.getFileName().toString();
            if (name.endsWith(".jar") && hasPrefix(name, args)) {
                Path copy = outDir.resolve(name);
                storeUncompressed(jar, copy);
                entries.add(copy.toString());
            } else {
                entries.add(entry);
            }
        }
        Files.writeString(Paths.get(args[2]), String.join(File.pathSeparator, entries), StandardCharsets.UTF_8);
    }

    private static boolean hasPrefix(String name, String[] args) {
        for (int i = 3; i < args.length; i++) {
            if (name.startsWith(args[i])) {
                return true;
            }
        }
        return false;
    }

    /** Copies every entry as it is, manifest included, only without compression. */
    private static void storeUncompressed(Path source, Path target) throws IOException {
        Path partial = target.resolveSibling(target.getFileName() + ".partial");
        try (ZipFile in = new ZipFile(source.toFile());
             ZipOutputStream out = new ZipOutputStream(Files.newOutputStream(partial))) {
            for (Enumeration<? extends ZipEntry> all = in.entries(); all.hasMoreElements(); ) {
                ZipEntry entry = all.nextElement();
                ZipEntry stored = new ZipEntry(entry.getName());
                stored.setMethod(ZipEntry.STORED);
                stored.setSize(entry.getSize());
                stored.setCompressedSize(entry.getSize());
                stored.setCrc(entry.getCrc());
                stored.setTime(entry.getTime());
                out.putNextEntry(stored);
                try (InputStream data = in.getInputStream(entry)) {
                    data.transferTo(out);
                }
                out.closeEntry();
            }
        }
        Files.move(partial, target, StandardCopyOption.REPLACE_EXISTING);
    }
}
