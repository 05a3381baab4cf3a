import java.io.BufferedWriter;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.net.URI;
import java.nio.charset.StandardCharsets;
import java.text.SimpleDateFormat;
import java.util.Date;
import org.apache.hadoop.conf.Configuration;
import org.apache.hadoop.fs.FSDataOutputStream;
import org.apache.hadoop.fs.FileStatus;
import org.apache.hadoop.fs.FileSystem;
import org.apache.hadoop.fs.Path;

/**
 * The Java client's side of the tree-listing benchmark, one JVM per run as
 * a user meets it:
 *   ListTree make URI DIRS FILES   DIRS directories of FILES/DIRS empty files
 *   ListTree list URI              every entry below URI, depth first,
 *                                  directories before their contents, a row
 *                                  each (type, permissions, size, date, path)
 * The rows go through one buffered writer, so printing costs the client no
 * more than it has to.
 */
public final class ListTree {
    private final FileSystem fs;
    private final Writer out = new BufferedWriter(new OutputStreamWriter(System.out, StandardCharsets.UTF_8), 1 << 16);
    private final SimpleDateFormat date = new SimpleDateFormat("yyyy-MM-dd HH:mm:ss");

    private ListTree(FileSystem fs) {
        this.fs = fs;
    }

    public static void main(String[] args) throws Exception {
        URI uri = URI.create(args[1]);
        FileSystem fs = FileSystem.get(uri, new Configuration());
        ListTree tree = new ListTree(fs);
        if (args[0].equals("make")) {
            tree.make(new Path(uri), Integer.parseInt(args[2]), Integer.parseInt(args[3]));
        } else {
            tree.walk(new Path(uri), "");
            tree.out.flush();
        }
        fs.close();
    }

    private void make(Path root, int dirs, int files) throws Exception {
        for (int d = 0; d < dirs; d++) {
            Path directory = new Path(root, String.format("d%04d", d));
            fs.mkdirs(directory);
            for (int f = 0; f < files / dirs; f++) {
                try (FSDataOutputStream file = fs.create(new Path(directory, String.format("file-%05d.txt", f)))) {
                    // empty
                }
            }
        }
    }

    private void walk(Path directory, String prefix) throws Exception {
        for (FileStatus entry : fs.listStatus(directory)) {
            String name = prefix + entry.getPath().getName();
            out.write(entry.isDirectory() ? 'd' : '-');
            out.write(entry.getPermission().toString());
            out.write('\t');
            out.write(Long.toString(entry.getLen()));
            out.write('\t');
            out.write(date.format(new Date(entry.getModificationTime())));
            out.write('\t');
            out.write(name);
            out.write('\n');
            if (entry.isDirectory()) {
                walk(entry.getPath(), name + "/");
            }
        }
    }
}
