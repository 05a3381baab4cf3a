package vrbaseio.hdfs;

import java.io.IOException;
import java.io.PrintStream;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HexFormat;
import java.util.Locale;

import org.apache.hadoop.fs.FSDataInputStream;
import org.apache.hadoop.fs.FSDataOutputStream;
import org.apache.hadoop.fs.FileSystem;
import org.apache.hadoop.fs.Path;
import org.apache.hadoop.hdfs.DFSTestUtil;
import org.apache.hadoop.hdfs.MiniDFSCluster;
import org.apache.hadoop.hdfs.server.blockmanagement.BlockManagerTestUtil;
import org.apache.hadoop.hdfs.server.blockmanagement.DatanodeDescriptor;
import org.apache.hadoop.hdfs.server.namenode.NameNodeAdapter;
import org.apache.hadoop.hdfs.server.datanode.DataNode;

/**
 * Runs one command line through the Java client and prints one reply line.
 *
 * <pre>
 * write PATH BYTES   store BYTES of {@link GeneratedText}, overwriting  -> OK SECONDS
 * read PATH          read the whole file                                -> OK BYTES SECONDS
 * md5 PATH           digest of the whole file                           -> OK HEX BYTES
 * delete PATH        remove a file or a whole tree                      -> OK | ERR ...
 * datanodes          the HTTP ports of the running DataNodes            -> OK PORT...
 * stopdatanode PORT  stop the DataNode with that HTTP port, and tell
 *                    the NameNode at once that it is dead               -> OK | ERR ...
 * quietstopdatanode PORT  stop it without telling the NameNode, which
 *                    takes it for live until its heartbeats are missed  -> OK | ERR ...
 * failover           make the active NameNode standby and the other one
 *                    active (two NameNodes only)                        -> OK PORT (the new active's HTTP port)
 * ping                                                                  -> OK
 * </pre>
 *
 * A line may start with a tag {@code @WORD}; the reply then starts with the
 * same tag, so that several clients can pick out their own replies. Failures
 * reply {@code ERR <what>} on one line.
 */
final class CommandProcessor {
    private static final int CHUNK_LINES = 1024;
    private static final int READ_BUFFER = 1024 * 1024;
    private static final int MAX_ERROR_LENGTH = 500;

    private final MiniDFSCluster cluster;
    private final PrintStream replies;
    private int active;
    private FileSystem fs;

    /** {@code active}: the index of the active NameNode, whose client the commands use. */
    CommandProcessor(MiniDFSCluster cluster, int active, PrintStream replies) throws IOException {
        this.cluster = cluster;
        this.active = active;
        this.fs = cluster.getFileSystem(active);
        this.replies = replies;
    }

    void execute(String line) {
        String text = line.strip();
        if (text.isEmpty()) {
            return;
        }
        String tag = "";
        if (text.startsWith("@")) {
            int space = text.indexOf(' ');
            tag = (space < 0 ? text : text.substring(0, space)) + " ";
            text = space < 0 ? "" : text.substring(space + 1).strip();
        }
        String reply;
        try {
            reply = run(text.split("\\s+"));
        } catch (Exception failure) {
            reply = "ERR " + failure.getClass().getSimpleName() + ": " + oneLine(failure.getMessage());
        }
        replies.print(tag + reply + "\n");
        replies.flush();
    }

    private String run(String[] words) throws IOException, NoSuchAlgorithmException {
        switch (words[0]) {
            case "write":
                return words.length == 3 ? write(new Path(words[1]), Long.parseLong(words[2])) : usage("write PATH BYTES");
            case "read":
                return words.length == 2 ? read(new Path(words[1])) : usage("read PATH");
            case "md5":
                return words.length == 2 ? md5(new Path(words[1])) : usage("md5 PATH");
            case "delete":
                return words.length == 2 ? delete(new Path(words[1])) : usage("delete PATH");
            case "datanodes":
                return words.length == 1 ? dataNodes() : usage("datanodes");
            case "stopdatanode":
                return words.length == 2 ? stopDataNode(Integer.parseInt(words[1]), true) : usage("stopdatanode PORT");
            case "quietstopdatanode":
                return words.length == 2 ? stopDataNode(Integer.parseInt(words[1]), false)
                                         : usage("quietstopdatanode PORT");
            case "failover":
                return words.length == 1 ? failover() : usage("failover");
            case "ping":
                return "OK";
            default:
                return "ERR unknown command: " + oneLine(words[0]);
        }
    }

    private String write(Path path, long bytes) throws IOException {
        if (bytes < 0) {
            return "ERR negative length " + bytes;
        }
        GeneratedText text = new GeneratedText();
        byte[] chunk = new byte[CHUNK_LINES * GeneratedText.LINE_LENGTH];
        long started = System.nanoTime();
        try (FSDataOutputStream out = fs.create(path, true)) {
            for (long left = bytes; left > 0; ) {
                text.fill(chunk);
                int length = (int) Math.min(left, chunk.length);
                out.write(chunk, 0, length);
                left -= length;
            }
        }
        return String.format(Locale.ROOT, "OK %.6f", secondsSince(started));
    }

    private String read(Path path) throws IOException {
        long started = System.nanoTime();
        long total = readAll(path, null);
        return String.format(Locale.ROOT, "OK %d %.6f", total, secondsSince(started));
    }

    private String md5(Path path) throws IOException, NoSuchAlgorithmException {
        MessageDigest digest = MessageDigest.getInstance("MD5");
        long total = readAll(path, digest);
        return "OK " + HexFormat.of().formatHex(digest.digest()) + " " + total;
    }

    /** Reads the whole file, feeding {@code digest} unless it is null; returns the byte count. */
    private long readAll(Path path, MessageDigest digest) throws IOException {
        byte[] buffer = new byte[READ_BUFFER];
        long total = 0;
        try (FSDataInputStream in = fs.open(path)) {
            for (int got; (got = in.read(buffer)) > 0; ) {
                if (digest != null) {
                    digest.update(buffer, 0, got);
                }
                total += got;
            }
        }
        return total;
    }

    private String dataNodes() {
        StringBuilder reply = new StringBuilder("OK");
        for (DataNode dataNode : cluster.getDataNodes()) {
            reply.append(' ').append(dataNode.getInfoPort());
        }
        return reply.toString();
    }

    /**
     * Stops the DataNode whose HTTP port is {@code port}, breaking the
     * transfers it serves. With {@code declareDead} the NameNode takes it
     * for dead at once, so that new requests go to the other replicas;
     * without, the NameNode goes on naming it (as after a crash, for the
     * ten minutes until its missed heartbeats count).
     */
    private String stopDataNode(int port, boolean declareDead) throws IOException {
        for (DataNode dataNode : cluster.getDataNodes()) {
            if (dataNode.getInfoPort() == port) {
                MiniDFSCluster.DataNodeProperties stopped = cluster.stopDataNode(dataNode.getDatanodeId().getXferAddr());
                if (stopped == null) {
                    return "ERR cannot stop the DataNode on port " + port;
                }
                if (!declareDead) {
                    return "OK";
                }
                // Every NameNode (standby ones too, which may become active)
                // takes it for dead.
                for (int i = 0; i < cluster.getNumNameNodes(); i++) {
                    DatanodeDescriptor descriptor =
                            NameNodeAdapter.getDatanode(cluster.getNamesystem(i), dataNode.getDatanodeId());
                    DFSTestUtil.setDatanodeDead(descriptor);
                    BlockManagerTestUtil.checkHeartbeat(cluster.getNamesystem(i).getBlockManager());
                }
                return "OK";
            }
        }
        return "ERR no running DataNode has the HTTP port " + port;
    }

    /** The active NameNode goes to standby, the other one becomes active. */
    private String failover() throws IOException {
        if (cluster.getNumNameNodes() != 2) {
            return "ERR failover needs a cluster of two NameNodes (cluster.sh run --ha)";
        }
        int next = 1 - active;
        cluster.transitionToStandby(active);
        cluster.transitionToActive(next);
        active = next;
        fs = cluster.getFileSystem(active);
        return "OK " + cluster.getNameNode(active).getHttpAddress().getPort();
    }

    private String delete(Path path) throws IOException {
        return fs.delete(path, true) ? "OK" : "ERR not found: " + path;
    }

    private static String usage(String form) {
        return "ERR usage: " + form;
    }

    private static double secondsSince(long started) {
        return (System.nanoTime() - started) / 1e9;
    }

    /** The first line, shortened: server-side failures append their stack trace. */
    private static String oneLine(String message) {
        if (message == null) {
            return "";
        }
        int end = message.indexOf('\n');
        String first = (end < 0 ? message : message.substring(0, end)).strip();
        return first.length() > MAX_ERROR_LENGTH ? first.substring(0, MAX_ERROR_LENGTH) + "..." : first;
    }
}
