package vrbaseio.hdfs;

import java.io.BufferedOutputStream;
import java.io.BufferedReader;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Comparator;
import java.util.stream.Stream;

import org.apache.hadoop.conf.Configuration;
import org.apache.hadoop.hdfs.MiniDFSCluster;
import org.apache.hadoop.hdfs.MiniDFSNNTopology;
import org.apache.hadoop.security.UserGroupInformation;
import org.apache.hadoop.util.ShutdownHookManager;

/**
 * An HDFS for tests and benchmarks (one DataNode unless told otherwise),
 * alive as long as its standard input is open.
 *
 * <p>usage: MiniHdfs [--base-dir DIR] [--datanodes N] [--secure | --ha] [KEY=VALUE...]
 *
 * <p>With {@code --ha} the cluster has two NameNodes of one nameservice
 * ({@code MiniDFSNNTopology.simpleHATopology()}): the first stays on standby,
 * the second is made active.
 *
 * <p>The data directory is a fresh directory inside DIR (or inside the system
 * temporary directory) and is removed at exit. KEY=VALUE pairs override the
 * cluster configuration. Standard output carries only the protocol: first
 * {@code HDFS_NAMENODE_HTTP_PORTS=<port>[,<port>]} (every NameNode's HTTP port,
 * in index order) and {@code HDFS_HTTP_PORT=<port>} (the first NameNode's) once
 * the cluster is up, then one reply per
 * command read from standard input (see {@link CommandProcessor}). Everything
 * else, Hadoop's logging included, goes to standard error.
 *
 * <p>With {@code --secure} the cluster takes Kerberos and HTTPS only (see
 * {@link SecureFixture}); the port is then the NameNode's HTTPS port, and
 * before it come {@code HDFS_KRB5_CONF=}, {@code HDFS_KEYTAB=},
 * {@code HDFS_PRINCIPAL=} (the test user's), {@code HDFS_CA_FILE=} and
 * {@code HDFS_SUPERUSER=} lines.
 */
public final class MiniHdfs {
    private static final int SHUTDOWN_HOOK_PRIORITY = 100; // before the FileSystem cache closes

    private final Path dataRoot;
    private MiniDFSCluster cluster;
    private SecureFixture security;
    private boolean stopped;

    private MiniHdfs(Path dataRoot) {
        this.dataRoot = dataRoot;
    }

    public static void main(String[] args) throws Exception {
        // Hadoop and its libraries print to System.out here and there; the
        // protocol keeps the real standard output to itself.
        // Buffered and flushed per line, so that each line reaches the reply
        // file in one piece.
        PrintStream protocol = new PrintStream(
                new BufferedOutputStream(new FileOutputStream(FileDescriptor.out)), false, StandardCharsets.UTF_8);
        System.setOut(System.err);

        Path baseDir = null;
        int dataNodes = 1;
        boolean secure = false;
        boolean ha = false;
        Configuration conf = ClusterSettings.defaults();
        for (int i = 0; i < args.length; i++) {
            if (args[i].equals("--base-dir") && i + 1 < args.length) {
                baseDir = Paths.get(args[++i]);
            } else if (args[i].equals("--datanodes") && i + 1 < args.length) {
                dataNodes = Integer.parseInt(args[++i]);
            } else if (args[i].equals("--secure")) {
                secure = true;
            } else if (args[i].equals("--ha")) {
                ha = true;
            } else if (args[i].indexOf('=') > 0) {
                int eq = args[i].indexOf('=');
                conf.set(args[i].substring(0, eq), args[i].substring(eq + 1));
            } else {
                System.err.println("MiniHdfs: unknown argument " + args[i]);
                System.exit(2);
            }
        }

        Path dataRoot = baseDir == null
                ? Files.createTempDirectory("mini-hdfs-")
                : Files.createTempDirectory(Files.createDirectories(baseDir), "mini-hdfs-");
        MiniHdfs hdfs = new MiniHdfs(dataRoot);
        ShutdownHookManager.get().addShutdownHook(hdfs::stop, SHUTDOWN_HOOK_PRIORITY);

        int status = 0;
        try {
            if (secure) {
                hdfs.secure(conf, protocol);
            }
            int port = hdfs.start(conf, dataNodes, ha);
            StringBuilder ports = new StringBuilder();
            for (int i = 0; i < hdfs.cluster.getNumNameNodes(); i++) {
                ports.append(i == 0 ? "" : ",").append(hdfs.webPort(i));
            }
            protocol.print("HDFS_NAMENODE_HTTP_PORTS=" + ports + "\n");
            protocol.print("HDFS_HTTP_PORT=" + port + "\n");
            protocol.flush();
            CommandProcessor commands = new CommandProcessor(hdfs.cluster, ha ? 1 : 0, protocol);
            BufferedReader input = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
            for (String line; (line = input.readLine()) != null; ) {
                commands.execute(line);
            }
        } catch (Throwable failure) {
            System.err.println("MiniHdfs: " + failure);
            failure.printStackTrace();
            status = 1;
        }
        hdfs.stop();
        // Hadoop leaves non-daemon threads behind after shutdown.
        System.exit(status);
    }

    private void secure(Configuration conf, PrintStream protocol) throws Exception {
        security = SecureFixture.start(dataRoot.resolve("security"));
        security.configure(conf);
        protocol.print("HDFS_KRB5_CONF=" + security.krb5Conf() + "\n"
                + "HDFS_KEYTAB=" + security.userKeytab() + "\n"
                + "HDFS_PRINCIPAL=" + security.userPrincipal() + "\n"
                + "HDFS_CA_FILE=" + security.caPem() + "\n"
                + "HDFS_SUPERUSER=" + UserGroupInformation.getCurrentUser().getShortUserName() + "\n");
    }

    /** The WebHDFS port of NameNode {@code index}: HTTPS on a secured cluster. */
    private int webPort(int index) {
        return security == null
                ? cluster.getNameNode(index).getHttpAddress().getPort()
                : cluster.getNameNode(index).getHttpsAddress().getPort();
    }

    private int start(Configuration conf, int dataNodes, boolean ha) throws IOException {
        conf.set(MiniDFSCluster.HDFS_MINIDFS_BASEDIR, dataRoot.resolve("dfs").toString());
        long started = System.nanoTime();
        MiniDFSCluster.Builder builder = new MiniDFSCluster.Builder(conf).numDataNodes(dataNodes).format(true);
        if (ha) {
            builder.nnTopology(MiniDFSNNTopology.simpleHATopology());
        } else {
            builder.nameNodePort(0).nameNodeHttpPort(0);
        }
        cluster = builder.build();
        if (ha) {
            // Both start on standby; the second becomes active, the first stays.
            cluster.transitionToActive(1);
        }
        cluster.waitActive();
        String superuser = UserGroupInformation.getCurrentUser().getShortUserName();
        ClusterSettings.prepareNamespace(cluster.getFileSystem(ha ? 1 : 0), superuser);
        int port = webPort(0);
        System.err.printf("MiniHdfs: up in %.1f s, HTTP port %d, superuser %s, data in %s%n",
                (System.nanoTime() - started) / 1e9, port, superuser, dataRoot);
        return port;
    }

    /** Shuts the cluster down and removes its data; safe to call twice and from the shutdown hook. */
    private synchronized void stop() {
        if (stopped) {
            return;
        }
        stopped = true;
        if (cluster != null) {
            try {
                cluster.shutdown(true);
            } catch (Throwable failure) {
                System.err.println("MiniHdfs: shutdown: " + failure);
            }
        }
        if (security != null) {
            security.stop();
        }
        try (Stream<Path> tree = Files.walk(dataRoot)) {
            tree.sorted(Comparator.reverseOrder()).forEach(path -> path.toFile().delete());
        } catch (IOException | RuntimeException failure) {
            System.err.println("MiniHdfs: removing " + dataRoot + ": " + failure);
        }
    }
}
